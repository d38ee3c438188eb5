#include "BatchInput.h"
#include "CliOptions.h"
#include "CliRun.h"
#include "SerialPlatform.h"
#include "StandardStreams.h"
#include "StartUp.h"
#include "StopSignals.h"
#include "WireTrace.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    open_standard_descriptors();
    ignore_broken_pipes();
    CliOptions options = CliOptions::parse(program_arguments(argc, argv));
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("novard-cli"));
    use_language(options.language);
    if (const auto status = early_exit(options))
        return *status;
    // The system's numbering, taken once as the window takes it at start-up (not read at all with
    // --port-dir).
    options.port_map.set_system_ports(make_system_ports());
    options.port_map.renumber();
    if (options.command == CliOptions::Command::ports) {
        return print_last(options.port_map.listing().toUtf8().constData());
    }
    std::optional<BatchLine> single;
    BatchInput input(options.input_encoding);
    if (options.command == CliOptions::Command::card) {
        single = BatchLine { 0, options.card, options.fields,
            CardSession::refusal(options.card, options.fields, options.card_encoding) };
    } else if (!input.open(options.batch_file)) {
        const QString text
            = QCoreApplication::translate("CliMain", "novard-cli: %1 파일을 읽을 수 없습니다: %2");
        std::fprintf(stderr, "%s\n",
            qPrintable(text.arg(quoted(QFile::decodeName(options.batch_file)), input.error())));
        return 2;
    }

    // Declared before the line, so that it outlives it and records the last close.
    WireTrace trace;
    if (!start_trace(trace, options, QStringLiteral("novard-cli"), &app))
        return 2;
    // Before the port opens, so that a stop at any time leaves no lock file behind.
    StopSignals stop_signals;
    const std::unique_ptr<SerialControl> line = make_serial_control(options.port_map);
    if (!options.trace_file.isEmpty())
        line->set_observer(&trace);
    CliRun run(options, *line, single, single ? nullptr : &input);
    QObject::connect(&run, &CliRun::done, &app, &QCoreApplication::exit);
    QObject::connect(&stop_signals, &StopSignals::requested, &run, &CliRun::stop);
    QTimer::singleShot(0, &run, &CliRun::begin);
    return app.exec();
}
