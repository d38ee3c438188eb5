#include "SystemProperties.h"

#include "Desktop.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

struct Panel {
    const char* program;
    QStringList arguments;
};

#ifdef Q_OS_WIN
// rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl,,2
const Panel panels[] = {
    { "rundll32.exe",
        { QStringLiteral("shell32.dll,Control_RunDLL"), QStringLiteral("sysdm.cpl,,2") } },
};
#else
const Panel panels[] = {
    { "gnome-control-center", {} },
    { "systemsettings", {} },
    { "systemsettings5", {} },
    { "kinfocenter", {} },
    { "xfce4-settings-manager", {} },
    { "mate-control-center", {} },
    { "cinnamon-settings", {} },
    { "lxqt-config", {} },
};
#endif

} // namespace

void open_system_properties(Desktop& desktop, QWidget* parent, const QString& title)
{
    QStringList tried;
    for (const Panel& panel : panels) {
        const QString program = desktop.find_program(QString::fromLatin1(panel.program));
        tried.append(QString::fromLatin1(panel.program));
        if (program.isEmpty())
            continue;
        if (!desktop.start_detached(program, panel.arguments)) {
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
