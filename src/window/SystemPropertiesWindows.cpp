#include "SystemProperties.h"

#include "Desktop.h"

#include <QCoreApplication>
#include <QStringList>

void open_system_properties(Desktop& desktop, QWidget* parent, const QString& title)
{
    // The panel is the control panel's; control.exe lies in the system folder, always on the path.
    const QString control = QStringLiteral("control.exe");
    const QStringList arguments { QStringLiteral("sysdm.cpl") };
    if (desktop.start_detached(control, arguments))
        return;
    desktop.show_message(parent, title,
        QCoreApplication::translate(
            "SystemProperties", "시스템 설정 프로그램을 시작하지 못했습니다."),
        control + u' ' + arguments.join(u' '));
}
