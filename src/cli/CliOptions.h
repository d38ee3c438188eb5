#pragma once

#include "CommandFrame.h"
#include "ProgramOptions.h"
#include "StandardStreams.h"

#include <QByteArray>
#include <QString>

// novard-cli's command and options, read from its arguments by the table both programs share.
// The port options (--map, --port-dir, --trace) mean what they mean to novard-demo; --port and
// --device say which port is used.
struct CliOptions : ProgramOptions {
    enum class Command { card, batch, ports };

    // The status of a run whose standard output could not be written (EPIPE, a full disk).
    static constexpr int output_lost_status = output_failed_status;

    Command command = Command::card;
    CardCommand card = CardCommand::read; // Command::card
    CommandFields fields; // as given: trimming and the data's limit come with the run
    QByteArray batch_file; // Command::batch: a path's bytes, or "-" for standard input
    // The batch file's; without it UTF-8, an ambiguous line refused.
    std::optional<TextEncoding> input_encoding;
    int port = 1;
    int ack_timeout_ms = 1000;
    int card_timeout_ms = 30000; // 0: waits for ever
    bool json = false;
    bool verbose = false;
    bool stop_on_error = false;
    bool verify = false; // an issue or modify is read back and compared

    static ProgramHelp help();
    // The arguments as main receives them, program name first.
    static CliOptions parse(const QByteArrayList& arguments);
};

// The command's word in arguments, batch lines and JSON: "read", "issue", "modify".
QString command_word(CardCommand command);
// The command a word names; nothing for any other word.
std::optional<CardCommand> command_named(QStringView word);
