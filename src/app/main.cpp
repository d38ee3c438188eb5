#include "DemoOptions.h"
#include "DemoReader.h"
#include "FontsAhead.h"
#include "Language.h"
#include "MainWindow.h"
#include "QtDesktop.h"
#include "SerialPlatform.h"
#include "StandardStreams.h"
#include "StartUp.h"
#include "StopSignals.h"
#include "SystemPortsAhead.h"
#include "TraceWarning.h"
#include "WindowProgram.h"
#include "WireTrace.h"

#include <QApplication>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// Waits for --demo's simulated reader, started while the window was built, and tells where it is;
// the status to end with when it did not start or its line could not be printed.
std::optional<int> demo_ready(DemoReader& demo)
{
    if (!demo.wait_ready()) {
        std::fprintf(stderr, "novard-demo: %s\n", qPrintable(demo.error()));
        return 1;
    }
    if (!demo.where().isEmpty() && !print_out(qPrintable("novard-demo: " + demo.where() + '\n')))
        return output_failed_status;
    return std::nullopt;
}

// The system's list, read ahead when it numbers the ports: by the time the window's start-up
// searches, it is there. With a folder of ports (and --demo's) it is read only to learn an opened
// device's identity, if ever.
void set_system_ports(DemoOptions& options)
{
    auto system = make_system_ports();
    if (options.demo || !options.port_map.numbers_system_ports())
        options.port_map.set_system_ports(system);
    else
        options.port_map.set_system_ports(std::make_shared<SystemPortsAhead>(system));
}

} // namespace

int main(int argc, char** argv)
{
    share_one_heap();
    use_parent_console();
    open_standard_descriptors();
    ignore_broken_pipes();
    DemoOptions options = DemoOptions::parse(program_arguments(argc, argv));
    const QString program = QStringLiteral("novard-demo");
    if (const auto answer = early_answer(options))
        return tell_user(program, answer->text, answer->status);
    set_system_ports(options);
    if (options.list_ports) {
        options.port_map.renumber();
        return tell_user(program, options.port_map.listing(), 0);
    }
    // Declared before the line, so that it outlives it and records the last close.
    WireTrace trace;
    if (!start_trace(trace, options, program, &trace))
        return 2;
    if (!display_available()) {
        std::fputs("novard-demo: no display to open the window on (DISPLAY is not set)\n", stderr);
        return 1;
    }

    // The fonts load beside the application's own start, and are loaded before the window is built.
    FontsAhead fonts;
    QApplication app(argc, argv);
    fonts.wait();
    // No application display name: on X11 and Wayland Qt would append it to the caption.
    QApplication::setApplicationName(program);
    use_language(options.language);
    // Before the first port opens, so that a stop at any time leaves no lock file behind.
    StopSignals stop_signals;
    PortMap port_map = options.port_map;
    // After app, before the line and the window, which it outlives; it goes (the reader stopped,
    // its folder removed) whenever main returns, and starts while the window is built.
    std::unique_ptr<DemoReader> demo;
    if (options.demo)
        demo = DemoReader::start();
    // --demo's line has the simulated reader as COM1.
    const std::unique_ptr<SerialControl> line
        = demo ? demo->make_line(port_map) : make_serial_control(port_map);
    QtDesktop desktop;
    MainWindow window(*line, desktop);
    if (options.demo)
        window.set_simulated_port(1);
    window.set_card_encoding(options.card_encoding);
    // Before the window loads, so that its first opening is traced.
    if (!options.trace_file.isEmpty())
        trace_window(trace, *line, window);
    // A stop ends the tool as closing its window does: the unload handler closes the port.
    QObject::connect(&stop_signals, &StopSignals::requested, &app, [&window] {
        window.close();
        QApplication::quit();
    });
    if (const auto status = demo ? demo_ready(*demo) : std::nullopt)
        return *status;
    window.load();
    window.show();
    return app.exec();
}
