#pragma once

// The options novard-demo and novard-cli both take (library novard_options, with the table and
// its parser, OptionTable). Each program's main reads its options into a struct built on
// ProgramOptions, then takes the start-up steps of src/process (StartUp.h) before it opens a port,
// and so ends the same way on every path.

#include "CardText.h"
#include "Language.h"
#include "OptionTable.h"
#include "PortMap.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The options both programs take, with the same rules: the port options, the wire trace and
// its bound, the language, the card's text encoding, --help and --version.
struct ProgramOptions {
    enum class Action { run, help, version, error };

    static constexpr qint64 default_trace_max = qint64(64) * 1024 * 1024;

    Action action = Action::run;
    PortMap port_map;
    // The path's bytes as given: a file name need not be UTF-8. Empty: no trace.
    QByteArray trace_file;
    qint64 trace_max = default_trace_max; // bytes; 0: no bound
    std::optional<Language> language; // empty: the desktop's
    // Which bytes a field's characters become on the line and how read data are decoded.
    TextEncoding card_encoding = TextEncoding::cp949;
    QString text; // the help or version text, or the one-line error

    // The shared options' rows, in the order the help lists them.
    static QList<OptionSpec> port_options();
    static QList<OptionSpec> trace_options();
    static QList<OptionSpec> common_options(); // language, card encoding, help, version
    static QList<OptionSpec> help_options(); // help, version: novard-reader-sim takes only these

    // Reads the shared options of parsed into this; false, with text the error, when one is
    // refused. Help and version come first: they are answered whatever else is given.
    bool take(const ParsedArguments& parsed, const ProgramHelp& help);
    // Sets the error text ("program: reason") and the action; returns false, for a one-line fail.
    bool fail(const QString& program, const QString& reason);

private:
    // The steps of take, in its order; each false, with the error set, at the first refusal.
    bool take_language(const ParsedArguments& parsed, const QString& program);
    bool take_ports(const ParsedArguments& parsed, const QString& program);
    bool take_trace(const ParsedArguments& parsed, const QString& program);
};
