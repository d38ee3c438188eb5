#pragma once

#include "ProgramOptions.h"

#include <QByteArrayList>
#include <QString>
#include <optional>

class QObject;
class WireTrace;

// What novard-demo's and novard-cli's main do before they run, in the same words (library
// novard_process, with the stop signals).

// SIGPIPE (Linux has it, Windows does not) is ignored from here on: a trace FIFO whose reader went
// away, or standard output piped to a program that ended, would kill the program and leave the
// port's lock file behind; a failed write is handled where it happens instead. Each main takes this
// step first.
void ignore_broken_pipes();

// The arguments as the bytes given: a path need not be UTF-8. On Windows, whose arguments are
// UTF-16, argv is not looked at: they are the command line's, in UTF-8.
QByteArrayList program_arguments(int argc, char** argv);

// The options' answer when they end the program at once, with its status: a one-line error
// (status 2), or the help or version (0). Nothing when the program runs.
struct EarlyAnswer {
    int status = 0;
    QString text;
};
std::optional<EarlyAnswer> early_answer(const ProgramOptions& options);

// The early answer told on standard error (an error) or standard output (0, or
// output_failed_status when it could not be written), and the status to end with.
std::optional<int> early_exit(const ProgramOptions& options);

// Opens the trace the options name, if any, and tells on standard error, as program, when entries
// start being lost and when they are written again. False, with the reason told, when it
// cannot be opened (status 2).
bool start_trace(
    WireTrace& trace, const ProgramOptions& options, const QString& program, QObject* context);
