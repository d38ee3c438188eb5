#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One program's options as data: the parser, --help, the manual page (help2man reads --help) and
// the bash completion are all made from this table, so none of them can tell another story.
struct OptionSpec {
    // How the bash completion offers a value.
    enum class Complete { nothing, file, folder, words };

    OptionSpec(QString name, QString value, QString help, bool repeated = false,
        bool empty_allowed = false, Complete complete = Complete::nothing, QString words = {})
        : name(std::move(name))
        , value(std::move(value))
        , help(std::move(help))
        , repeated(repeated)
        , empty_allowed(empty_allowed)
        , complete(complete)
        , words(std::move(words))
    {
    }

    QString name; // without the dashes: "trace"
    QString value; // the value's name in the help ("FILE"); empty for a flag
    QString help; // the description, wrapped to the help's width
    bool repeated; // --map: given any number of times
    bool empty_allowed; // --key: an empty value means the default
    Complete complete;
    QString words; // Complete::words: the values offered, space-separated
};

// A row of the help's lists that is no option: a command and its arguments, an exit status.
struct HelpRow {
    QString term;
    QString help;
};

// What a program says of itself around its options.
struct ProgramHelp {
    QString program; // "novard-cli"
    QStringList usage; // "read ADDRESS [OPTION]..." (each a line after "Usage: program")
    QString summary; // the paragraph under the usage
    QList<HelpRow> commands; // novard-cli's commands, before the options
    QString commands_note; // a paragraph between the commands and the options
    QList<OptionSpec> options;
    QString notes; // a paragraph after the options
    QList<HelpRow> exit_statuses;
    QString epilogue; // the last paragraph
};

// The arguments split by a table: every option's values as the bytes given, and the other
// words. A value that begins with '-' is taken only when joined with '=' (--trace=-odd), so a
// forgotten value never swallows the next option; an option given twice that is not repeated,
// an empty value, an unknown option and a flag given a value are each refused. "--" ends the
// options; a single-dash word is a long option too (-trace), and -h is --help.
struct ParsedArguments {
    QHash<QString, QByteArrayList> values; // a flag has one empty value a time it is given
    QByteArrayList words;
    QString error; // one line, without the program's name; empty when the arguments fit

    bool is_set(const QString& name) const { return values.contains(name); }
    QByteArray value(const QString& name) const { return values.value(name).value(0); }
    QString text(const QString& name) const { return QString::fromUtf8(value(name)); }

    static ParsedArguments parse(const QList<OptionSpec>& options, const QByteArrayList& arguments);
};

// The --help text: usage, summary, commands, options, notes, exit statuses, epilogue. The notes'
// and the epilogue's paragraphs are wrapped, but for one written in lines of its own (a table).
QString help_text(const ProgramHelp& help);
// A bash completion for the program: its commands, its options and their values.
QString bash_completion(const ProgramHelp& help);

// What an error message quotes of a text the user gave, in single quotes: its echo form
// (echo_form), so that a mistyped 100 kB argument is one short line and no byte of it acts on the
// terminal.
QString quoted(QStringView text);
