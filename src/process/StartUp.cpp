#include "StartUp.h"

#include "StandardStreams.h"
#include "WireTrace.h"

#include <QFile>
#include <cstdio>

std::optional<EarlyAnswer> early_answer(const ProgramOptions& options)
{
    switch (options.action) {
    case ProgramOptions::Action::error:
        return EarlyAnswer { 2, options.text + u'\n' };
    case ProgramOptions::Action::help:
    case ProgramOptions::Action::version:
        return EarlyAnswer { 0, options.text };
    case ProgramOptions::Action::run:
        break;
    }
    return std::nullopt;
}

std::optional<int> early_exit(const ProgramOptions& options)
{
    const auto answer = early_answer(options);
    if (!answer)
        return std::nullopt;
    const QByteArray text = answer->text.toUtf8();
    if (answer->status != 0) {
        std::fputs(text.constData(), stderr);
        return answer->status;
    }
    return print_last(text.constData());
}

bool start_trace(
    WireTrace& trace, const ProgramOptions& options, const QString& program, QObject* context)
{
    if (options.trace_file.isEmpty())
        return true;
    if (!trace.open(options.trace_file, options.trace_max)) {
        std::fprintf(stderr, "%s: cannot open the trace file %s: %s\n", qPrintable(program),
            qPrintable(quoted(QFile::decodeName(options.trace_file))), qPrintable(trace.reason()));
        return false;
    }
    // Told once each time entries start being lost; the trace itself notes how many, afterwards.
    QObject::connect(&trace, &WireTrace::failed, context, [program](const QString& reason) {
        std::fprintf(stderr,
            "%s: cannot write the trace file: %s; the lines lost are counted and noted in it once "
            "writing works again\n",
            qPrintable(program), qPrintable(reason));
    });
    QObject::connect(&trace, &WireTrace::resumed, context, [program](qint64 lost_entries) {
        std::fprintf(stderr, "%s: the trace file is written again; %lld lines were lost\n",
            qPrintable(program), static_cast<long long>(lost_entries));
    });
    return true;
}
