#pragma once

#include "CommandFrame.h"
#include "Language.h"
#include "PortMap.h"

#include <QString>
#include <QStringList>

// novard-cli's command and options, read from its arguments. The port options (--map, --port-dir,
// --trace) mean what they mean to novard-demo; --port and --device say which port is used.
struct CliOptions {
    enum class Action { card, batch, ports, help, version, error };

    Action action = Action::error;
    CardCommand command = CardCommand::read; // Action::card
    CommandFields fields; // as given: trimming and the data's limit come with the run
    QString batch_file; // Action::batch: a path, or "-" for standard input
    int port = 1;
    PortMap port_map;
    QString trace_file; // empty: no trace
    int ack_timeout_ms = 1000;
    int card_timeout_ms = 30000; // 0: waits for ever
    bool json = false;
    bool verbose = false;
    bool stop_on_error = false;
    CardEncoding card_encoding = CardEncoding::cp949;
    std::optional<Language> language; // nothing: the desktop's
    QString text; // the help or version text, or the one-line error

    // The arguments as main receives them, program name first.
    static CliOptions parse(const QStringList& arguments);
};

// The command's word in arguments, batch lines and JSON: "read", "issue", "modify".
QString command_word(CardCommand command);
// The command a word names; nothing for any other word.
std::optional<CardCommand> command_named(QStringView word);
