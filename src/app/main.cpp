#include "CommandLine.h"
#include "DemoReader.h"
#include "Language.h"
#include "MainWindow.h"
#include "QtDesktop.h"
#include "QtSerialControl.h"
#include "QtSystemPorts.h"
#include "StopSignals.h"
#include "WireTrace.h"

#include <QApplication>
#include <QFile>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// QApplication aborts without a display; say so in one line instead.
bool display_available()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv)
{
    // A trace FIFO whose reader went away, or standard output piped to a program that ended,
    // would kill the tool, leaving the port's lock file and the demo's folder behind; a failed
    // write is handled where it happens instead.
    std::signal(SIGPIPE, SIG_IGN);
    QByteArrayList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(argv[i]);
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
    // Declared before the line, so that it outlives it and records the last close.
    WireTrace trace;
    if (!command_line.trace_file.isEmpty()
        && !trace.open(command_line.trace_file, command_line.trace_max)) {
        std::fprintf(stderr, "novard-demo: cannot open the trace file %s: %s\n",
            qPrintable(CommandLine::quoted(QFile::decodeName(command_line.trace_file))),
            qPrintable(trace.reason()));
        return 2;
    }
    if (!display_available()) {
        std::fputs("novard-demo: no display to open the window on (DISPLAY is not set)\n", stderr);
        return 1;
    }

    QApplication app(argc, argv);
    // No application display name: on X11 and Wayland Qt would append it to the caption.
    QApplication::setApplicationName(QStringLiteral("novard-demo"));
    use_language(command_line.language);
    // Before the first port opens, so that a stop at any time leaves no lock file behind.
    StopSignals stop_signals;
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
    if (command_line.demo)
        line.set_simulated_port(1);
    if (!command_line.trace_file.isEmpty())
        line.set_observer(&trace);
    QtDesktop desktop;
    MainWindow window(line, desktop);
    // Told once each time lines start being lost; the trace itself notes how many, afterwards.
    QObject::connect(&trace, &WireTrace::failed, &window, [&window](const QString& reason) {
        window.set_label(WireTrace::failure_label(reason));
        std::fprintf(stderr,
            "novard-demo: cannot write the trace file: %s; the lines lost are counted and noted "
            "in it once writing works again\n",
            qPrintable(reason));
    });
    QObject::connect(&trace, &WireTrace::resumed, &window, [](qint64 lost_lines) {
        std::fprintf(stderr, "novard-demo: the trace file is written again; %lld lines were lost\n",
            static_cast<long long>(lost_lines));
    });
    // A stop ends the tool as closing its window does: the unload handler closes the port.
    QObject::connect(&stop_signals, &StopSignals::requested, &app, [&window] {
        window.close();
        QApplication::quit();
    });
    window.load();
    window.show();
    return app.exec();
}
