#include "BatchFile.h"
#include "CliOptions.h"
#include "CliRun.h"
#include "QtSerialControl.h"
#include "QtSystemPorts.h"
#include "Runtime.h"
#include "StopSignals.h"
#include "SystemReason.h"
#include "WireTrace.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

// Why a file did not open, in the operator's language: QFile's own text is the system locale's, or
// untranslated English.
QString unreadable_reason(const QFile& file)
{
    const QFileInfo info(file);
    if (!info.exists())
        return system_reason(ENOENT);
    if (info.isDir())
        return system_reason(EISDIR);
    if (!info.isReadable())
        return system_reason(EACCES);
    return file.errorString();
}

// The batch's lines, or nothing with the reason told.
std::optional<QList<BatchLine>> batch_lines(const QByteArray& path, TextEncoding card_encoding)
{
    QFile file;
    const bool opened = path == "-"
        ? file.open(stdin, QIODevice::ReadOnly)
        : (file.setFileName(QFile::decodeName(path)), file.open(QIODevice::ReadOnly));
    const QString name = quoted(QFile::decodeName(path));
    if (!opened) {
        const QString text
            = QCoreApplication::translate("CliMain", "novard-cli: %1을(를) 읽을 수 없습니다: %2");
        std::fprintf(stderr, "%s\n", qPrintable(text.arg(name, unreadable_reason(file))));
        return std::nullopt;
    }
    BatchFile batch = BatchFile::parse(QString::fromUtf8(file.readAll()), card_encoding);
    if (!batch.fault.isEmpty()) {
        std::fprintf(stderr, "novard-cli: %s: %s\n", qPrintable(name), qPrintable(batch.fault));
        return std::nullopt;
    }
    return batch.lines;
}

} // namespace

int main(int argc, char** argv)
{
    CliOptions options = CliOptions::parse(program_arguments(argc, argv));
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("novard-cli"));
    use_language(options.language);
    if (const auto status = early_exit(options))
        return *status;
    // The system's numbering, taken once as the window takes it at start-up (not read at all with
    // --port-dir).
    options.port_map.set_system_ports(std::make_shared<QtSystemPorts>());
    options.port_map.renumber();
    QList<BatchLine> lines;
    switch (options.command) {
    case CliOptions::Command::ports:
        std::fputs(options.port_map.listing().toUtf8().constData(), stdout);
        return 0;
    case CliOptions::Command::batch:
        if (auto read = batch_lines(options.batch_file, options.card_encoding))
            lines = std::move(*read);
        else
            return 2;
        break;
    case CliOptions::Command::card:
        lines = { { 0, options.card, options.fields,
            CardSession::refusal(options.card, options.fields, options.card_encoding) } };
        break;
    }

    // Declared before the line, so that it outlives it and records the last close.
    WireTrace trace;
    if (!start_trace(trace, options, QStringLiteral("novard-cli"), &app))
        return 2;
    // Before the port opens, so that a stop at any time leaves no lock file behind.
    StopSignals stop_signals;
    QtSerialControl line(options.port_map);
    if (!options.trace_file.isEmpty())
        line.set_observer(&trace);
    CliRun run(options, line, std::move(lines));
    QObject::connect(&run, &CliRun::done, &app, &QCoreApplication::exit);
    QObject::connect(&stop_signals, &StopSignals::requested, &run, &CliRun::stop);
    QTimer::singleShot(0, &run, &CliRun::begin);
    return app.exec();
}
