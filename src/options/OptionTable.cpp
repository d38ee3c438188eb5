#include "OptionTable.h"

#include "ByteDisplay.h"

#include <QFile>

namespace {

constexpr qsizetype help_width = 80;
constexpr qsizetype term_width = 22; // where a row's description begins

// Words of text in lines of at most width characters, each after indent spaces.
QString wrapped(const QString& text, qsizetype indent, qsizetype width = help_width)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > width) {
            lines.append(line);
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    lines.append(line);
    const QString margin(indent, u' ');
    return margin + lines.join(u'\n' + margin) + u'\n';
}

// "  term      description", the description wrapped in its column, or begun on the next line
// under a term too long for it.
QString row(const QString& term, const QString& help, qsizetype indent = 2)
{
    const QString head = QString(indent, u' ') + term;
    QString body = wrapped(help, term_width);
    // Two spaces at least between a term and its description, or they read as one.
    if (head.size() + 2 <= term_width)
        return head + body.mid(head.size());
    return head + u'\n' + body;
}

// Each paragraph after a blank line; one written in lines of its own (a table) is kept as written.
QString paragraphs(const QString& text)
{
    QString paragraphs;
    for (const QString& paragraph : text.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts))
        paragraphs
            += u'\n' + (paragraph.contains(u'\n') ? paragraph + u'\n' : wrapped(paragraph, 0));
    return paragraphs;
}

QString option_term(const OptionSpec& option)
{
    QString term
        = (option.name == u"help" ? QStringLiteral("-h, --") : QStringLiteral("--")) + option.name;
    return option.value.isEmpty() ? term : term + u' ' + option.value;
}

const OptionSpec* find(const QList<OptionSpec>& options, QStringView name)
{
    if (name == u"h")
        name = u"help";
    for (const OptionSpec& option : options) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

} // namespace

QString quoted(QStringView text)
{
    return u'\'' + echo_form(text) + u'\'';
}

ParsedArguments ParsedArguments::parse(
    const QList<OptionSpec>& options, const QByteArrayList& arguments)
{
    ParsedArguments parsed;
    auto fail = [&](const QString& reason) {
        parsed.error = reason;
        return parsed;
    };
    bool options_end = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QByteArray& argument = arguments[i];
        if (options_end || argument.size() < 2 || !argument.startsWith('-')) {
            parsed.words.append(argument);
            continue;
        }
        if (argument == "--") {
            options_end = true;
            continue;
        }
        const QByteArray word = argument.mid(argument.startsWith("--") ? 2 : 1);
        const qsizetype equals = word.indexOf('=');
        const QString name = QFile::decodeName(equals < 0 ? word : word.left(equals));
        const OptionSpec* option = find(options, name);
        if (!option) {
            // As given, dashes and all, without a joined value.
            const qsizetype value_at = argument.indexOf('=');
            return fail(QStringLiteral("unknown option %1")
                            .arg(quoted(QFile::decodeName(
                                value_at < 0 ? argument : argument.first(value_at)))));
        }
        const QString dashed = QStringLiteral("--") + option->name;
        if (parsed.values.contains(option->name) && !option->repeated)
            return fail(dashed + QStringLiteral(" given more than once"));
        QByteArray value;
        if (option->value.isEmpty()) {
            if (equals >= 0)
                return fail(dashed + QStringLiteral(" takes no value"));
        } else if (equals >= 0) {
            value = word.mid(equals + 1);
        } else if (i + 1 >= arguments.size()) {
            return fail(dashed + QStringLiteral(" needs a value (%1)").arg(option->value));
        } else {
            value = arguments[++i];
            if (value.size() > 1 && value.startsWith('-'))
                return fail(QStringLiteral("%1 needs a value, not the option %2 (join a value "
                                           "that begins with '-' with '=': %1=%3)")
                                .arg(dashed, quoted(QFile::decodeName(value)), option->value));
        }
        if (!option->value.isEmpty() && value.isEmpty() && !option->empty_allowed)
            return fail(dashed
                + QStringLiteral(" needs a value (%1), not an empty one").arg(option->value));
        parsed.values[option->name].append(value);
    }
    return parsed;
}

QString help_text(const ProgramHelp& help)
{
    QString text;
    for (qsizetype i = 0; i < help.usage.size(); ++i)
        text += (i == 0 ? QStringLiteral("Usage: ") : QStringLiteral("  or:  ")) + help.program
            + u' ' + help.usage[i] + u'\n';
    text += u'\n' + wrapped(help.summary, 0) + u'\n';
    for (const HelpRow& command : help.commands)
        text += row(command.term, command.help);
    if (!help.commands.isEmpty())
        text += u'\n';
    if (!help.commands_note.isEmpty())
        text += wrapped(help.commands_note, 0) + u'\n';
    for (const OptionSpec& option : help.options) {
        text += row(option_term(option), option.help);
    }
    text += paragraphs(help.notes);
    if (!help.exit_statuses.isEmpty()) {
        text += QStringLiteral("\nExit status:\n");
        for (const HelpRow& status : help.exit_statuses)
            text += wrapped(status.help, 5).replace(2, status.term.size(), status.term);
    }
    return text + paragraphs(help.epilogue);
}

QString bash_completion(const ProgramHelp& help)
{
    const QString function = u'_' + QString(help.program).replace(u'-', u'_');
    QString text = QStringLiteral("# bash completion for %1, made from its options' table: its "
                                  "commands, its options and their values.\n%2()\n{\n"
                                  "    local cur prev words cword split\n"
                                  "    _init_completion -s || return\n\n    case $prev in\n")
                       .arg(help.program, function);
    QStringList names, valued;
    for (const OptionSpec& option : help.options) {
        names.append(QStringLiteral("--") + option.name);
        if (option.value.isEmpty())
            continue;
        valued.append(names.last());
        text += QStringLiteral("        --%1)\n            ").arg(option.name);
        switch (option.complete) {
        case OptionSpec::Complete::nothing:
            break;
        case OptionSpec::Complete::file:
            text += QStringLiteral("_filedir\n            ");
            break;
        case OptionSpec::Complete::folder:
            text += QStringLiteral("_filedir -d\n            ");
            break;
        case OptionSpec::Complete::words:
            text += QStringLiteral("mapfile -t COMPREPLY < <(compgen -W '%1' -- \"$cur\")\n"
                                   "            ")
                        .arg(option.words);
            break;
        }
        text += QStringLiteral("return ;;\n");
    }
    // --port=C: the value after the "=" completes as after "--port ".
    text += QStringLiteral("    esac\n    $split && return\n\n");
    QStringList commands, file_commands;
    for (const HelpRow& command : help.commands) {
        commands.append(command.term.section(u' ', 0, 0));
        if (command.term.endsWith(QStringLiteral(" FILE")))
            file_commands.append(commands.last());
    }
    text += QStringLiteral("    if [[ $cur == -* ]]; then\n"
                           "        mapfile -t COMPREPLY < <(compgen -W '%1' -- \"$cur\")\n")
                .arg(names.join(u' '));
    // An option's value is never the command ("--key batch"); a file may be "-", standard input.
    if (!commands.isEmpty()) {
        text += QStringLiteral(
            "        return\n    fi\n    local command='' i\n"
            "    for ((i = 1; i < cword; i++)); do\n        case ${words[i]} in\n"
            "            %4) ((i++)) ;;\n            %1)\n                command=${words[i]}\n"
            "                break ;;\n        esac\n    done\n"
            "    if [[ -z $command ]]; then\n"
            "        mapfile -t COMPREPLY < <(compgen -W '%2' -- \"$cur\")\n"
            "    elif [[ \" %3 \" == *\" $command \"* ]]; then\n        _filedir csv\n"
            "        [[ -n $cur ]] || COMPREPLY+=(-)\n")
                    .arg(commands.join(QStringLiteral(" | ")), commands.join(u' '),
                        file_commands.join(u' '), valued.join(QStringLiteral(" | ")));
    }
    text += QStringLiteral("    fi\n} && complete -F %1 %2\n").arg(function, help.program);
    return text;
}
