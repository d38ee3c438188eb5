#include "BatchFile.h"
#include "CliOptions.h"
#include "CliRun.h"
#include "CommandLine.h"
#include "QtSerialControl.h"
#include "QtSystemPorts.h"
#include "StopSignals.h"
#include "WireTrace.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

int fail(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    return 2;
}

// The batch's lines, or nothing with the reason told.
std::optional<QList<BatchLine>> batch_lines(const QString& path)
{
    QFile file;
    const bool opened = path == u"-" ? file.open(stdin, QIODevice::ReadOnly)
                                     : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        fail(QStringLiteral("novard-cli: cannot read '%1': %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    BatchFile batch = BatchFile::parse(QString::fromUtf8(file.readAll()));
    if (!batch.fault.isEmpty()) {
        fail(QStringLiteral("novard-cli: %1: %2").arg(path, batch.fault));
        return std::nullopt;
    }
    return batch.lines;
}

} // namespace

int main(int argc, char** argv)
{
    // Output to a reader that went away (novard-cli ... | head) fails as a write, not as a kill
    // that would leave the port's lock behind.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("novard-cli"));
    CliOptions options = CliOptions::parse(QCoreApplication::arguments());
    use_language(options.language);
    // The system's numbering, taken once as the window takes it at start-up (not read at all with
    // --port-dir).
    if (options.action == CliOptions::Action::ports || options.action == CliOptions::Action::card
        || options.action == CliOptions::Action::batch) {
        options.port_map.set_system_ports(std::make_shared<QtSystemPorts>());
        options.port_map.renumber();
    }
    QList<BatchLine> lines;
    switch (options.action) {
    case CliOptions::Action::error:
        return fail(options.text + QStringLiteral("\nTry 'novard-cli --help'."));
    case CliOptions::Action::help:
    case CliOptions::Action::version:
        std::fputs(options.text.toUtf8().constData(), stdout);
        return 0;
    case CliOptions::Action::ports:
        std::fputs(options.port_map.listing().toUtf8().constData(), stdout);
        return 0;
    case CliOptions::Action::batch:
        if (auto read = batch_lines(options.batch_file))
            lines = std::move(*read);
        else
            return 2;
        break;
    case CliOptions::Action::card:
        lines = { { 0, options.command, options.fields,
            CardSession::refusal(options.command, options.fields, options.card_encoding) } };
        break;
    }

    // Declared before the line, so that it outlives it and records the last close.
    WireTrace trace;
    if (!options.trace_file.isEmpty()
        && !trace.open(QFile::encodeName(options.trace_file), CommandLine::default_trace_max))
        return fail(QStringLiteral("novard-cli: cannot open the trace file '%1': %2")
                        .arg(options.trace_file, trace.reason()));
    // Before the port opens, so that a stop at any time leaves no lock file behind.
    StopSignals stop_signals;
    QtSerialControl line(options.port_map);
    if (!options.trace_file.isEmpty())
        line.set_observer(&trace);
    // Told once each time lines start being lost; the trace itself notes how many, afterwards.
    QObject::connect(&trace, &WireTrace::failed, &app, [](const QString& reason) {
        std::fprintf(stderr, "novard-cli: cannot write the trace file: %s\n", qPrintable(reason));
    });
    CliRun run(options, line, std::move(lines));
    QObject::connect(&run, &CliRun::done, &app, &QCoreApplication::exit);
    QObject::connect(&stop_signals, &StopSignals::requested, &run, &CliRun::stop);
    QTimer::singleShot(0, &run, &CliRun::begin);
    return app.exec();
}
