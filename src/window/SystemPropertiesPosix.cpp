#include "SystemProperties.h"

#include "Desktop.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

// The desktops' settings programs, in the order they are looked for.
const char* const panels[]
    = { "gnome-control-center", "systemsettings", "systemsettings5", "kinfocenter",
          "xfce4-settings-manager", "mate-control-center", "cinnamon-settings", "lxqt-config" };

} // namespace

void open_system_properties(Desktop& desktop, QWidget* parent, const QString& title)
{
    QStringList tried;
    for (const char* panel : panels) {
        const QString program = desktop.find_program(QString::fromLatin1(panel));
        tried.append(QString::fromLatin1(panel));
        if (program.isEmpty())
            continue;
        if (!desktop.start_detached(program, {})) {
            desktop.show_message(parent, title,
                QCoreApplication::translate(
                    "SystemProperties", "시스템 설정 프로그램을 시작하지 못했습니다."),
                program);
        }
        return;
    }
    desktop.show_message(parent, title,
        QCoreApplication::translate("SystemProperties", "시스템 설정 프로그램을 찾을 수 없습니다."),
        QCoreApplication::translate("SystemProperties", "찾아본 프로그램: %1")
            .arg(tried.join(QStringLiteral(", "))));
}
