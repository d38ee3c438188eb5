#include "SimOptions.h"

#include "CommandFrame.h"
#include "StandardStreams.h"

#include <QFile>

namespace {

QList<OptionSpec> sim_options()
{
    return {
        { "link", "PATH", "make the device reachable through a symbolic link at PATH", false, false,
            OptionSpec::Complete::file },
        { "key", "KEY",
            QStringLiteral("Key A of every sector: six bytes (ASCII characters); default %1")
                .arg(default_key()) },
        { "delay", "MS", "present the card MS milliseconds after ACK CR; default 700" },
        { "manual", "", "present the card when Enter is pressed on standard input instead" },
        { "verbose", "", "log each frame and answer on standard error, control bytes by name" },
        { "forgetful", "",
            "answer every write as done and store nothing, as a card that does not keep what it "
            "is sent" },
    };
}

} // namespace

ProgramHelp SimOptions::help()
{
    ProgramHelp help;
    help.program = QStringLiteral("novard-reader-sim");
    help.usage = { QStringLiteral("[OPTION]... [PATH]") };
    help.summary = QStringLiteral(
        "Plays a contactless RF card reader/writer on a pseudo-terminal, for the NOVARD "
        "Read/Write demo. The device is set raw (the line is 9600 8N1).");
    help.options = sim_options() + help_options();
    help.notes = QStringLiteral(
        "The device is made reachable through a symbolic link at PATH (given with --link or as "
        "the one argument); the link's path is printed on standard output as one line once the "
        "device is ready, and the link is removed on exit, also on SIGINT, SIGTERM and SIGHUP. A "
        "dangling link at PATH is replaced; any other file there is left alone and the simulator "
        "exits with 1. Without PATH, the device's own path is printed.\n\n"
        "The card: 64 blocks of 16 bytes in 16 sectors of four blocks. Block 0 is the maker's "
        "block and the last block of each sector (3, 7, ..., 63) is its trailer; the commands "
        "cannot reach either. Each sector has a six-byte Key A, the same for all (see --key). A "
        "blank block holds 16 spaces (0x20). Every run starts with a blank card.\n\n"
        "Frames (STX, body, ETX; the address is a decimal block number, leading\n"
        "zeros allowed):\n"
        "  R<address>;<key>           read\n"
        "  N<address>;<key>;<data>    issue a new card\n"
        "  W<address>;<key>;<data>    modify an issued card\n"
        "Data are the raw bytes after the second ';' up to ETX, at most 16;\n"
        "shorter data are padded with spaces to 16.\n\n"
        "Answers:\n"
        "  well-formed frame           ACK CR at once, then the card is awaited\n"
        "  card presented, read        the block's 16 bytes, CR\n"
        "  card presented, N or W      the data are stored, CR\n"
        "  card presented, wrong key   CAN CR (nothing stored)\n"
        "  frame it cannot take        NAK CR\n\n"
        "A frame it cannot take is one with an unknown letter, missing or extra fields, an "
        "address that is not a decimal number, block 0, a trailer, a block beyond 63, more than "
        "16 data bytes, or a new STX (or more than 256 bytes) before its ETX. Bytes outside a "
        "frame are ignored. Any new frame ends the wait for the card of the previous command. "
        "Answers go out at the line's pace, one byte every 1.04 ms; those sent while nobody has "
        "the device open are lost, as on a real line. Answers wait in a buffer of 512 bytes, as "
        "in a real reader: when a flood of frames overfills it, the oldest waiting answers are "
        "dropped, whole.");
    help.exit_statuses = {
        { QStringLiteral("0"), QStringLiteral("after a stop signal") },
        { QStringLiteral("1"),
            QStringLiteral("the device or the link cannot be made, or the line fails") },
        { QStringLiteral("2"), QStringLiteral("bad options") },
        { QString::number(output_failed_status),
            QStringLiteral("standard output could not be written (--help, --version, the "
                           "device's path)") },
    };
    return help;
}

SimOptions SimOptions::parse(const QByteArrayList& arguments)
{
    const ProgramHelp about = help();
    const ParsedArguments parsed = ParsedArguments::parse(about.options, arguments);
    SimOptions options;
    if (!options.take(parsed, about) || options.action != Action::run)
        return options;
    if (parsed.words.size() > 1
        || (!parsed.words.isEmpty() && parsed.is_set(QStringLiteral("link")))) {
        options.fail(
            about.program, QStringLiteral("give the link's path once, with --link or as PATH"));
        return options;
    }
    options.link_path = QFile::decodeName(
        parsed.words.isEmpty() ? parsed.value(QStringLiteral("link")) : parsed.words.front());
    options.key = parsed.is_set(QStringLiteral("key")) ? parsed.value(QStringLiteral("key"))
                                                       : default_key().toUtf8();
    if (options.key.size() != 6) {
        options.fail(about.program,
            QStringLiteral("--key needs six bytes, not %1")
                .arg(quoted(QFile::decodeName(options.key))));
        return options;
    }
    if (parsed.is_set(QStringLiteral("delay"))) {
        bool ok = false;
        options.delay_ms = parsed.text(QStringLiteral("delay")).toInt(&ok);
        if (!ok || options.delay_ms < 0)
            options.fail(about.program,
                QStringLiteral("--delay needs a number of milliseconds, not %1")
                    .arg(quoted(parsed.text(QStringLiteral("delay")))));
    }
    options.manual = parsed.is_set(QStringLiteral("manual"));
    options.verbose = parsed.is_set(QStringLiteral("verbose"));
    options.forgetful = parsed.is_set(QStringLiteral("forgetful"));
    return options;
}
