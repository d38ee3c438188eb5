#include "CommandLine.h"
#include "MainWindow.h"
#include "QtDesktop.h"
#include "QtSerialControl.h"
#include "QtSystemPorts.h"

#include <QApplication>
#include <cstdio>
#include <memory>

namespace {

// QApplication aborts without a display; say so in one line instead.
bool display_available()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    CommandLine command_line = CommandLine::parse(arguments);
    command_line.port_map.set_system_ports(std::make_shared<QtSystemPorts>());
    switch (command_line.action) {
    case CommandLine::Action::error:
        std::fprintf(stderr, "%s\n", qPrintable(command_line.text));
        return 2;
    case CommandLine::Action::help:
    case CommandLine::Action::version:
        std::fputs(qPrintable(command_line.text), stdout);
        return 0;
    case CommandLine::Action::list_ports:
        command_line.port_map.renumber();
        std::fputs(qPrintable(command_line.port_map.listing()), stdout);
        return 0;
    case CommandLine::Action::run:
        break;
    }
    if (!display_available()) {
        std::fputs("novard-demo: no display to open the window on (DISPLAY is not set)\n", stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("novard-demo"));
    QApplication::setApplicationDisplayName(MainWindow::app_title());
    QtSerialControl line(command_line.port_map);
    QtDesktop desktop;
    MainWindow window(line, desktop);
    window.load();
    window.show();
    return app.exec();
}
