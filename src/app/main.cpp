#include "DemoOptions.h"
#include "DemoReader.h"
#include "Language.h"
#include "MainWindow.h"
#include "QtDesktop.h"
#include "QtSerialControl.h"
#include "QtSystemPorts.h"
#include "StandardStreams.h"
#include "StartUp.h"
#include "StopSignals.h"
#include "TraceWarning.h"
#include "WindowProgram.h"
#include "WireTrace.h"

#include <QApplication>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// Starts --demo's simulated reader and makes its folder the ports; the status to end with when
// it did not start or its line could not be printed.
std::optional<int> start_demo(std::optional<DemoReader>& demo, PortMap& port_map)
{
    demo.emplace(DemoReader::find_program());
    if (!demo->error().isEmpty()) {
        std::fprintf(stderr, "novard-demo: %s\n", qPrintable(demo->error()));
        return 1;
    }
    port_map.set_port_dir(demo->folder());
    const QString where = "novard-demo: simulated card reader on " + demo->device() + " as COM1 in "
        + demo->folder() + '\n';
    if (!print_out(qPrintable(where)))
        return output_failed_status;
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    use_parent_console();
    open_standard_descriptors();
    ignore_broken_pipes();
    DemoOptions options = DemoOptions::parse(program_arguments(argc, argv));
    options.port_map.set_system_ports(std::make_shared<QtSystemPorts>());
    const QString program = QStringLiteral("novard-demo");
    if (const auto answer = early_answer(options))
        return tell_user(program, answer->text, answer->status);
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

    QApplication app(argc, argv);
    // No application display name: on X11 and Wayland Qt would append it to the caption.
    QApplication::setApplicationName(QStringLiteral("novard-demo"));
    use_language(options.language);
    // Before the first port opens, so that a stop at any time leaves no lock file behind.
    StopSignals stop_signals;
    PortMap port_map = options.port_map;
    // Declared after app and before the window: it outlives the window, and it goes (the reader
    // stopped, its folder removed) whenever main returns.
    std::optional<DemoReader> demo;
    if (options.demo) {
        if (const auto status = start_demo(demo, port_map))
            return *status;
    }
    QtSerialControl line(port_map);
    QtDesktop desktop;
    MainWindow window(line, desktop);
    if (options.demo)
        window.set_simulated_port(1);
    window.set_card_encoding(options.card_encoding);
    // Before the window loads, so that its first opening is traced.
    if (!options.trace_file.isEmpty())
        trace_window(trace, line, window);
    // A stop ends the tool as closing its window does: the unload handler closes the port.
    QObject::connect(&stop_signals, &StopSignals::requested, &app, [&window] {
        window.close();
        QApplication::quit();
    });
    window.load();
    window.show();
    return app.exec();
}
