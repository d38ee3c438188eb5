#include "CommandLine.h"
#include "DemoReader.h"
#include "MainWindow.h"
#include "QtDesktop.h"
#include "QtSerialControl.h"

#include <QApplication>
#include <cstdio>
#include <optional>

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
    const CommandLine command_line = CommandLine::parse(arguments);
    switch (command_line.action) {
    case CommandLine::Action::error:
        std::fprintf(stderr, "%s\n", qPrintable(command_line.text));
        return 2;
    case CommandLine::Action::help:
    case CommandLine::Action::version:
        std::fputs(qPrintable(command_line.text), stdout);
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
    PortMap port_map = command_line.port_map;
    // Declared after app and before the window: it outlives the window, and it goes (the reader
    // stopped, its folder removed) whenever main returns.
    std::optional<DemoReader> demo;
    if (command_line.demo) {
        demo.emplace(DemoReader::find_program());
        if (!demo->error().isEmpty()) {
            std::fprintf(stderr, "novard-demo: %s\n", qPrintable(demo->error()));
            return 1;
        }
        port_map.set_port_dir(demo->folder());
        std::printf("novard-demo: simulated card reader on %s as COM1 in %s\n",
            qPrintable(demo->device()), qPrintable(demo->folder()));
        std::fflush(stdout);
    }
    QtSerialControl line(port_map);
    QtDesktop desktop;
    MainWindow window(line, desktop);
    window.load();
    window.show();
    return app.exec();
}
