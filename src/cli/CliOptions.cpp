#include "CliOptions.h"

#include "CardSession.h"

#include <QByteArrayView>
#include <QFile>
#include <QStringDecoder>

namespace {

using Result = CardOutcome::Result;
using Complete = OptionSpec::Complete;

std::optional<int> milliseconds(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 0 ? std::optional<int>(value) : std::nullopt;
}

QString status(Result result)
{
    return QString::number(CardOutcome::status_of(result));
}

// --help's table of exit statuses, each from the result it tells.
QList<HelpRow> exit_statuses()
{
    return {
        { status(Result::completed), "completed (a batch: every card completed)" },
        { status(Result::bad_input),
            "bad input (data longer than 16 characters or bytes, a character the card encoding "
            "lacks, a control character, a bad address or key, a bad batch line, text that is not "
            "valid in its encoding) or options" },
        { status(Result::refused), "the reader refused the command" },
        { status(Result::card_failed),
            "the card operation failed (check Key A), or the block read back by --verify is "
            "not the one written" },
        { status(Result::no_answer),
            "no answer from the reader within the ack timeout, or no card within the card "
            "timeout" },
        { status(Result::port_error),
            "the port cannot be opened (missing, busy, permission), was lost, or did not take "
            "the whole frame" },
        { QString::number(CliOptions::output_lost_status),
            "standard output could not be written (its reader went away, a full disk): no "
            "new card is begun, the card in progress ends and the summary goes to standard "
            "error; also for --help, --version and ports" },
        { status(Result::bad_reply),
            "the reader's reply to a read was not a block (16 bytes, then CR)" },
        { status(Result::verify_not_made),
            "an issue or modify completed but --verify could not read the block back (no card, "
            "no answer, a failed or bad read): the block was written, not verified" },
    };
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

// The options novard-cli takes, in the order --help lists them.
static decltype(ProgramHelp::options) cli_options()
{
    decltype(ProgramHelp::options) options {
        { "key", "KEY",
            "Key A for read, issue and modify (default 730914; empty: the default); a batch has "
            "a key column",
            false, true },
        { "port", "COMn", "the port to use, COM1 to COM16 (default COM1)", false, false,
            Complete::words,
            "COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9 COM10 COM11 COM12 "
            "COM13 COM14 COM15 COM16" },
        { "device", "PATH", "open PATH as that port", false, false, Complete::file },
    };
    options += CliOptions::port_options();
    options += CliOptions::trace_options();
    options += {
        { "ack-timeout", "MS",
            "how long the reader may take to accept or refuse a command (default 1000; 0 waits "
            "for ever)" },
        { "card-timeout", "MS",
            "how long a card is awaited once the command is accepted (default 30000; 0 waits for "
            "ever)" },
        { "json", "", "print one JSON object a card (and a batch's summary)" },
        { "verbose", "",
            "also show the frame sent and any byte that answers nothing (noise, a reply to an "
            "earlier command)" },
        { "stop-on-error", "", "end a batch at the first card that does not complete" },
        { "verify", "",
            "after an issue or modify completes, read the block back with the same key and "
            "compare: a difference is verify_failed, with both blocks in hex; a read back that "
            "fails is verify_not_made (the block was written)" },
        { "input-encoding", "utf-8|cp949",
            "the batch file's encoding (default utf-8; a byte order mark is skipped); a line "
            "not valid in it is a bad line, never sent. Without it, a line that reads as Latin-1 "
            "in UTF-8 and as Hangul in CP949 is a bad line; with cp949, one holding Hangul in "
            "UTF-8",
            false, false, Complete::words, "utf-8 cp949" },
    };
    options += CliOptions::common_options();
    return options;
}

ProgramHelp CliOptions::help()
{
    ProgramHelp help;
    help.program = QStringLiteral("novard-cli");
    help.usage = { QStringLiteral("read ADDRESS [OPTION]..."),
        QStringLiteral("issue ADDRESS DATA [OPTION]..."),
        QStringLiteral("modify ADDRESS DATA [OPTION]..."), QStringLiteral("batch FILE [OPTION]..."),
        QStringLiteral("ports [OPTION]...") };
    help.summary = QStringLiteral(
        "Reads, issues and modifies contactless RF cards through a NOVARD card reader/writer on "
        "a serial port (9600 baud, 8N1), from a shell or a script: the frames, the reader's "
        "answers and the messages are those of the window, novard-demo.");
    help.commands = {
        { "read ADDRESS",
            "read the block; its 16 bytes are printed, control bytes by name ([CR], [NUL] ...); "
            "a reply that is not 16 bytes and CR is bad_reply" },
        { "issue ADDRESS DATA", "issue a new card, writing DATA to the block (the N frame)" },
        { "modify ADDRESS DATA", "modify an issued card, writing DATA to the block (the W frame)" },
        { "batch FILE",
            "one operation a line of FILE ('-': standard input), as CSV with the header "
            "op,address,key,data (op: read, issue or modify; an empty key is the default key); "
            "each line is run as it is read" },
        { "ports", "print the device of each port, as novard-demo --list-ports does, and exit" },
    };
    help.commands_note = QStringLiteral(
        "Fields are trimmed of spaces at both ends; DATA holds at most 16 characters and 16 "
        "bytes in the card encoding, the address 1 to 3 digits, KEY at most 32 characters, and "
        "no field a control character. Arguments are UTF-8.");
    help.options = cli_options();
    help.notes = QStringLiteral(
        "A value that begins with '-' is taken only when joined to its option with '=' "
        "(--key=-1). Standard output is /dev/stdout, not '-'.\n\n"
        "The reader's messages go to standard error in the window's words, one a line; in a "
        "batch on a terminal each names its card (\"card 3 of 120\"). They, novard-cli's own "
        "lines and --json's message are in Korean or English as --language or the desktop "
        "chooses; --help and errors in the options are English. Scripts read the result, "
        "whose words never change: "
        "completed, card_failed, refused, no_answer, no_card, port_error, bad_input, "
        "verify_failed, bad_reply, verify_not_made, interrupted; a batch counts the cards never "
        "tried as not_run.\n\n"
        "A read completes only with the block's 16 bytes (0D and 18 among them are data), then "
        "CR. Any other reply ends once the line has been quiet for %1 ms: CAN CR alone is "
        "card_failed, anything else bad_reply, its bytes in data_hex. The text of a read leaves "
        "out the fill bytes (00, FF) that end the block, and is none (null) when the block holds "
        "other control bytes.")
                     .arg(CardSession::reply_quiet_ms);
    help.exit_statuses = exit_statuses();
    help.epilogue = QStringLiteral(
        "A batch exits with the status of its first card that did not complete. SIGINT, "
        "SIGTERM and SIGHUP (on Windows the console's Ctrl+C, Ctrl+Break and close, as SIGINT, "
        "SIGBREAK and SIGHUP: 130, 149 and 129) close the port and end with 128 plus the "
        "signal's number; a batch first finishes the card in progress and prints its summary (a "
        "second signal ends it at once). A card whose frame had gone out when the run stopped is "
        "told with its row as interrupted (the reader may still carry it out when a card is "
        "presented), counted apart from not_run.");
    return help;
}

// The options every command shares; the reason it refuses one, if it does.
static std::optional<QString> take_settings(const ParsedArguments& parsed, CliOptions& options)
{
    if (parsed.is_set(QStringLiteral("input-encoding"))) {
        const auto encoding = encoding_named(parsed.text(QStringLiteral("input-encoding")));
        if (!encoding)
            return QString(QStringLiteral("--input-encoding takes utf-8 or cp949, not %1")
                               .arg(quoted(QFile::decodeName(
                                   parsed.value(QStringLiteral("input-encoding"))))));
        options.input_encoding = *encoding;
    }
    if (parsed.is_set(QStringLiteral("port"))) {
        const auto port = PortMap::parse_port(parsed.text(QStringLiteral("port")));
        if (!port)
            return QString(
                QStringLiteral("--port takes COM1 to COM16, not %1")
                    .arg(quoted(QFile::decodeName(parsed.value(QStringLiteral("port"))))));
        options.port = *port;
    }
    if (parsed.is_set(QStringLiteral("device"))) {
        if (!QByteArrayView(parsed.value(QStringLiteral("device"))).isValidUtf8())
            return QString(QStringLiteral("--device: the path is not UTF-8, which a serial port's "
                                          "path must be"));
        options.port_map.map_port(options.port, parsed.text(QStringLiteral("device")));
    }
    for (auto [name, target] : { std::pair { "ack-timeout", &options.ack_timeout_ms },
             std::pair { "card-timeout", &options.card_timeout_ms } }) {
        const QString option = QLatin1StringView(name);
        if (!parsed.is_set(option))
            continue;
        const auto value = milliseconds(parsed.text(option));
        if (!value)
            return QString(QStringLiteral("--%1 takes a number of milliseconds, not %2")
                               .arg(option, quoted(QFile::decodeName(parsed.value(option)))));
        *target = *value;
    }
    options.json = parsed.is_set(QStringLiteral("json"));
    options.verbose = parsed.is_set(QStringLiteral("verbose"));
    options.stop_on_error = parsed.is_set(QStringLiteral("stop-on-error"));
    options.verify = parsed.is_set(QStringLiteral("verify"));
    options.json = parsed.is_set(QStringLiteral("json"));
    options.verbose = parsed.is_set(QStringLiteral("verbose"));
    options.stop_on_error = parsed.is_set(QStringLiteral("stop-on-error"));
    options.verify = parsed.is_set(QStringLiteral("verify"));
    return std::nullopt;
}

namespace {

// What a command takes after its name, as the usage names it.
QString operands(const CliOptions& options)
{
    if (options.command == CliOptions::Command::batch)
        return QStringLiteral("FILE");
    return options.card == CardCommand::read ? QStringLiteral("ADDRESS")
                                             : QStringLiteral("ADDRESS and DATA");
}

} // namespace

CliOptions CliOptions::parse(const QByteArrayList& arguments)
{
    const ProgramHelp about = help();
    const ParsedArguments parsed = ParsedArguments::parse(about.options, arguments);
    CliOptions options;
    if (!options.take(parsed, about) || options.action != Action::run)
        return options;
    auto fail = [&](const QString& reason) {
        options.fail(about.program, reason);
        return options;
    };
    // Arguments are text to the reader; bytes that are not UTF-8 would reach a card changed.
    QStringList words;
    for (qsizetype i = 0; i < parsed.words.size(); ++i) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        words.append(decoder.decode(parsed.words[i]));
        const bool path = i == 1 && words[0] == u"batch";
        if (decoder.hasError() && !path)
            return fail(
                QStringLiteral("%1 is not valid UTF-8")
                    .arg(i == 0                             ? QStringLiteral("the command")
                            : i == 1                        ? QStringLiteral("ADDRESS")
                            : i == 2 && words[0] != u"read" ? QStringLiteral("DATA")
                                                            : QStringLiteral("an argument")));
    }
    const QString command = words.value(0);
    qsizetype expected = 1;
    if (const auto card = command_named(command)) {
        options.command = Command::card;
        options.card = *card;
        expected = *card == CardCommand::read ? 2 : 3;
        if (!QByteArrayView(parsed.value(QStringLiteral("key"))).isValidUtf8())
            return fail(QStringLiteral("--key is not valid UTF-8"));
        options.fields = { words.value(1), parsed.text(QStringLiteral("key")), words.value(2) };
        if (options.fields.key.isEmpty())
            options.fields.key = default_key();
    } else if (command == u"batch") {
        options.command = Command::batch;
        options.batch_file = parsed.words.value(1);
        expected = 2;
    } else if (command == u"ports") {
        options.command = Command::ports;
    } else {
        return fail(command.isEmpty()
                ? QStringLiteral("a command is needed: read, issue, modify, batch or ports")
                : QStringLiteral("unknown command %1").arg(quoted(command)));
    }
    if (parsed.is_set(QStringLiteral("key")) && options.command != Command::card)
        return fail(
            QStringLiteral("--key is for read, issue and modify; a batch has a key column"));
    if (words.size() < expected)
        return fail(command + QStringLiteral(" needs ") + operands(options));
    if (words.size() > expected)
        return fail(QStringLiteral("unexpected argument %1").arg(quoted(words[expected])));
    if (const auto reason = take_settings(parsed, options))
        return fail(*reason);
    if (options.verify && options.command == Command::card && options.card == CardCommand::read)
        return fail(QStringLiteral("--verify is for issue, modify and a batch"));
    return options;
}
