#include "CliOptions.h"

#include <QCommandLineParser>

namespace {

const char* const usage = R"(Usage: novard-cli read ADDRESS [OPTION]...
  or:  novard-cli issue ADDRESS DATA [OPTION]...
  or:  novard-cli modify ADDRESS DATA [OPTION]...
  or:  novard-cli batch FILE [OPTION]...
  or:  novard-cli ports [OPTION]...

Reads and issues contactless RF cards through a NOVARD card reader/writer on a
serial port (9600 baud, 8N1), from a shell or a script: the frames, the reader's
answers and the Korean messages are those of the window, novard-demo.

  read ADDRESS          read the block; its 16 bytes are printed, control
                        bytes by name ([CR], [NUL] ...)
  issue ADDRESS DATA    issue a new card (the new-issue frame)
  modify ADDRESS DATA   rewrite a card (the modify-issue frame)
  batch FILE            one operation a line of FILE ('-': standard input),
                        as CSV with the header op,address,key,data (op: read,
                        issue or modify; an empty key is the default key)
  ports                 print the device of each port, as novard-demo
                        --list-ports does, and exit

Fields are trimmed of spaces at both ends; DATA holds at most 16 characters.

  --key KEY           Key A for read, issue and modify (default 730914; empty:
                      the default); a batch has a key column
  --port COMn         the port to use, COM1 to COM16 (default COM1)
  --device PATH       open PATH as that port
  --map COMn=PATH     open PATH as port n (1-16), as novard-demo does
  --port-dir FOLDER   open FOLDER/COMn as port n, for every port not mapped
  --trace FILE        append every byte written and received to FILE, as
                      novard-demo --trace does
  --ack-timeout MS    how long the reader may take to accept or refuse a
                      command (default 1000; 0 waits for ever)
  --card-timeout MS   how long a card is awaited once the command is
                      accepted (default 30000; 0 waits for ever)
  --card-encoding cp949|utf-8
                      the bytes a field's characters become on the card, and
                      how a read's block is decoded (default cp949)
  --json              print one JSON object a card (and a batch's summary)
  --verbose           also show the frame sent and any byte that answers
                      nothing (noise, a reply to an earlier command)
  --stop-on-error     end a batch at the first card that does not complete
  --language ko|en    the messages in Korean or in English; without it the
                      desktop's first language decides, as for novard-demo
  -h, --help          show this text and exit
  --version           show the version and exit

The reader's messages go to standard error in the window's words, one a line;
in a batch on a terminal each names its card ("card 3 of 120").
Every card's result is one of: completed, card_failed, refused, no_answer,
no_card, port_error, bad_input.

Exit status:
  0  completed (a batch: every card completed)
  2  bad input (data longer than 16 characters or bytes, a character the card
     encoding lacks, a control character, a bad address or key, a bad batch
     line) or options
  3  the reader refused the command
  4  the card operation failed (check Key A)
  5  no answer from the reader within the ack timeout, or no card within the
     card timeout
  6  the port cannot be opened or was lost (missing, busy, permission)
A batch exits with the status of its first card that did not complete.
SIGINT, SIGTERM and SIGHUP close the port and end with 128 plus the signal's
number; a batch first finishes the card in progress and prints its summary
(a second signal ends it at once).
)";

std::optional<int> milliseconds(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 0 ? std::optional<int>(value) : std::nullopt;
}

} // namespace

QString command_word(CardCommand command)
{
    switch (command) {
    case CardCommand::read:
        return QStringLiteral("read");
    case CardCommand::new_issue:
        return QStringLiteral("issue");
    case CardCommand::modify_issue:
        return QStringLiteral("modify");
    }
    return {};
}

std::optional<CardCommand> command_named(QStringView word)
{
    for (const CardCommand command :
        { CardCommand::read, CardCommand::new_issue, CardCommand::modify_issue }) {
        if (word == command_word(command))
            return command;
    }
    return std::nullopt;
}

CliOptions CliOptions::parse(const QStringList& arguments)
{
    const QString program = QStringLiteral("novard-cli");
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    auto valued = [](const char* name, const char* value) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromLatin1(value));
    };
    const QCommandLineOption key_option = valued("key", "KEY");
    const QCommandLineOption port_option = valued("port", "COMn");
    const QCommandLineOption device_option = valued("device", "PATH");
    const QCommandLineOption map_option = valued("map", "COMn=PATH");
    const QCommandLineOption dir_option = valued("port-dir", "FOLDER");
    const QCommandLineOption trace_option = valued("trace", "FILE");
    const QCommandLineOption ack_option = valued("ack-timeout", "MS");
    const QCommandLineOption card_option = valued("card-timeout", "MS");
    const QCommandLineOption encoding_option = valued("card-encoding", "NAME");
    const QCommandLineOption json_option(QStringLiteral("json"));
    const QCommandLineOption verbose_option(QStringLiteral("verbose"));
    const QCommandLineOption stop_option(QStringLiteral("stop-on-error"));
    const QCommandLineOption help_option(
        QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption version_option(QStringLiteral("version"));
    const QCommandLineOption language = language_option();
    parser.addOptions({ key_option, port_option, device_option, map_option, dir_option,
        trace_option, ack_option, card_option, json_option, verbose_option, stop_option,
        help_option, version_option, language, encoding_option });

    CliOptions options;
    auto fail = [&](const QString& reason) {
        options.action = Action::error;
        options.text = program + QStringLiteral(": ") + reason;
        return options;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help_option)) {
        options.action = Action::help;
        options.text = QString::fromUtf8(usage);
        return options;
    }
    if (parser.isSet(version_option)) {
        options.action = Action::version;
        options.text = program + QStringLiteral(" " NOVARD_VERSION "\n");
        return options;
    }
    for (const QCommandLineOption& option : { key_option, port_option, device_option, dir_option,
             trace_option, ack_option, card_option, language }) {
        if (parser.values(option).size() > 1)
            return fail(
                QStringLiteral("--%1 given more than once").arg(option.names().constFirst()));
    }

    const QStringList words = parser.positionalArguments();
    const QString command = words.value(0);
    qsizetype expected = 1;
    if (const auto card = command_named(command)) {
        options.action = Action::card;
        options.command = *card;
        expected = *card == CardCommand::read ? 2 : 3;
        options.fields = { words.value(1), parser.value(key_option), words.value(2) };
        if (options.fields.key.isEmpty())
            options.fields.key = default_key();
    } else if (command == u"batch") {
        options.action = Action::batch;
        options.batch_file = words.value(1);
        expected = 2;
    } else if (command == u"ports") {
        options.action = Action::ports;
    } else {
        return fail(command.isEmpty()
                ? QStringLiteral("a command is needed: read, issue, modify, batch or ports")
                : QStringLiteral("unknown command '%1'").arg(command));
    }
    if (parser.isSet(key_option) && options.action != Action::card)
        return fail(
            QStringLiteral("--key is for read, issue and modify; a batch has a key column"));
    if (words.size() < expected)
        return fail(QStringLiteral("%1 needs %2 argument(s)").arg(command).arg(expected - 1));
    if (words.size() > expected)
        return fail(QStringLiteral("unexpected argument '%1'").arg(words[expected]));

    if (parser.isSet(port_option)) {
        const auto port = PortMap::parse_port(parser.value(port_option));
        if (!port)
            return fail(QStringLiteral("--port takes COM1 to COM16, not '%1'")
                            .arg(parser.value(port_option)));
        options.port = *port;
    }
    if (const QString folder = parser.value(dir_option); !folder.isEmpty())
        options.port_map.set_port_dir(folder);
    for (const QString& value : parser.values(map_option)) {
        const auto mapping = PortMap::parse_mapping(value);
        if (!mapping)
            return fail(
                QStringLiteral("--map takes COMn=PATH with n from 1 to 16, not '%1'").arg(value));
        options.port_map.map_port(mapping->port, mapping->path);
    }
    if (parser.isSet(device_option)) {
        if (parser.value(device_option).isEmpty())
            return fail(QStringLiteral("--device needs a path"));
        options.port_map.map_port(options.port, parser.value(device_option));
    }
    options.trace_file = parser.value(trace_option);
    if (parser.isSet(trace_option) && options.trace_file.isEmpty())
        return fail(QStringLiteral("--trace needs a file"));
    for (auto [option, target] : { std::pair { &ack_option, &options.ack_timeout_ms },
             std::pair { &card_option, &options.card_timeout_ms } }) {
        if (!parser.isSet(*option))
            continue;
        const auto value = milliseconds(parser.value(*option));
        if (!value)
            return fail(QStringLiteral("--%1 takes a number of milliseconds, not '%2'")
                            .arg(option->names().constFirst(), parser.value(*option)));
        *target = *value;
    }
    if (parser.isSet(language)) {
        options.language = language_named(parser.value(language));
        if (!options.language)
            return fail(language_error(parser.value(language)));
    }
    if (parser.isSet(encoding_option)) {
        const auto encoding = card_encoding_named(parser.value(encoding_option));
        if (!encoding)
            return fail(QStringLiteral("--card-encoding takes cp949 or utf-8, not '%1'")
                            .arg(parser.value(encoding_option)));
        options.card_encoding = *encoding;
    }
    options.json = parser.isSet(json_option);
    options.verbose = parser.isSet(verbose_option);
    options.stop_on_error = parser.isSet(stop_option);
    return options;
}
