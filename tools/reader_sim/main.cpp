// novard-reader-sim: a contactless card reader/writer on a pseudo-terminal, so that the tool can
// be run and tested with no hardware. The card model and the answers are described in the help
// text below; Reader, Card and Request hold them.

#include "Card.h"
#include "CommandFrame.h"
#include "LineLoop.h"
#include "PtyDevice.h"
#include "Reader.h"
#include "StandardStreams.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

using namespace reader_sim;

namespace {

constexpr int exit_bad_options = 2;
constexpr int exit_no_device = 1;

const char* const description
    = R"(Plays a contactless RF card reader/writer on a pseudo-terminal, for
the NOVARD Read/Write demo. The device is set raw (the line is 9600 8N1).

The device is made reachable through a symbolic link at PATH (given
with --link or as the one argument); the link's path is printed on
standard output as one line once the device is ready, and the link is
removed on exit, also on SIGINT, SIGTERM and SIGHUP. A dangling link at
PATH is replaced; any other file there is left alone and the simulator
exits with 1. Without PATH, the device's own path is printed.

The card: 64 blocks of 16 bytes in 16 sectors of four blocks. Block 0
is the maker's block and the last block of each sector (3, 7, ..., 63)
is its trailer; the commands cannot reach either. Each sector has a
six-byte Key A, the same for all (see --key). A blank block holds 16
spaces (0x20). Every run starts with a blank card.

Frames (STX, body, ETX; the address is a decimal block number, leading
zeros allowed):
  R<address>;<key>           read
  N<address>;<key>;<data>    issue a new card
  W<address>;<key>;<data>    modify an issued card
Data are the raw bytes after the second ';' up to ETX, at most 16;
shorter data are padded with spaces to 16.

Answers:
  well-formed frame           ACK CR at once, then the card is awaited
  card presented, read        the block's 16 bytes, CR
  card presented, N or W      the data are stored, CR
  card presented, wrong key   CAN CR (nothing stored)
  frame it cannot take        NAK CR
A frame it cannot take is one with an unknown letter, missing or extra
fields, an address that is not a decimal number, block 0, a trailer, a
block beyond 63, more than 16 data bytes, or a new STX (or more than 256
bytes) before its ETX. Bytes outside a frame are ignored. Any new frame
ends the wait for the card of the previous command. Answers go out at
the line's pace, one byte every 1.04 ms; those sent while nobody has the
device open are lost, as on a real line. Answers wait in a buffer of
512 bytes, as in a real reader: when a flood of frames overfills it,
the oldest waiting answers are dropped, whole.

Exit status: 0 after a stop signal, 1 when the device or the link
cannot be made or the line fails, 2 for bad options, 7 when standard
output cannot be written (--help, --version, the device's path).)";

void print_line(const QString& text)
{
    std::fprintf(stderr, "novard-reader-sim: %s\n", qPrintable(text));
}

int bad_options(const QString& text)
{
    print_line(text);
    std::fputs("Try 'novard-reader-sim --help'.\n", stderr);
    return exit_bad_options;
}

// The options, each to be asked of the parser that they were added to.
struct Options {
    QCommandLineOption help, version, link, key, delay, manual, verbose, forgetful;
};

Options add_options(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QString::fromUtf8(description));
    Options options { parser.addHelpOption(), parser.addVersionOption(),
        { QStringLiteral("link"),
            QStringLiteral("Make the device reachable through a symbolic link at <path>."),
            QStringLiteral("path") },
        { QStringLiteral("key"),
            QStringLiteral("Key A of every sector: six bytes (ASCII characters). Default %1.")
                .arg(default_key()),
            QStringLiteral("key"), default_key() },
        { QStringLiteral("delay"),
            QStringLiteral("Present the card <ms> milliseconds after ACK CR. Default 700."),
            QStringLiteral("ms"), QStringLiteral("700") },
        { QStringLiteral("manual"),
            QStringLiteral("Present the card when Enter is pressed on standard input instead.") },
        { QStringLiteral("verbose"),
            QStringLiteral("Log each frame and answer on standard error, control bytes by name.") },
        { QStringLiteral("forgetful"),
            QStringLiteral("Answer every write as done and store nothing, as a card that does not "
                           "keep what it is sent.") } };
    parser.addOptions({ options.link, options.key, options.delay, options.manual, options.verbose,
        options.forgetful });
    parser.addPositionalArgument(
        QStringLiteral("PATH"), QStringLiteral("The link's path, as with --link."), "[PATH]");
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    open_standard_descriptors();
    // Blocked before the link exists, so a stop signal can only end the loop, which cleans up.
    const sigset_t stop_signals = LineLoop::stop_signals();
    sigprocmask(SIG_BLOCK, &stop_signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("novard-reader-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NOVARD_VERSION));

    QCommandLineParser parser;
    const Options options = add_options(parser);
    const auto& [help_option, version_option, link_option, key_option, delay_option, manual_option,
        verbose_option, forgetful_option]
        = options;

    if (!parser.parse(QCoreApplication::arguments()))
        return bad_options(parser.errorText());
    // QCommandLineParser's own showHelp() and showVersion() exit 0 even when nothing was written.
    if (parser.isSet(help_option))
        return print_last(qPrintable(parser.helpText()));
    if (parser.isSet(version_option))
        return print_last(qPrintable(QCoreApplication::applicationName() + u' '
            + QCoreApplication::applicationVersion() + u'\n'));
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1 || (positional.size() == 1 && parser.isSet(link_option)))
        return bad_options(QStringLiteral("give the link's path once, with --link or as PATH"));
    const QString link_path = positional.isEmpty() ? parser.value(link_option) : positional.front();
    if (parser.isSet(link_option) && link_path.isEmpty())
        return bad_options(QStringLiteral("--link needs a path"));

    const QByteArray key = parser.value(key_option).toUtf8();
    if (key.size() != 6)
        return bad_options(
            QStringLiteral("--key needs six bytes, not \"%1\"").arg(parser.value(key_option)));
    bool delay_ok = false;
    const int delay_ms = parser.value(delay_option).toInt(&delay_ok);
    if (!delay_ok || delay_ms < 0)
        return bad_options(QStringLiteral("--delay needs a number of milliseconds, not \"%1\"")
                               .arg(parser.value(delay_option)));

    PtyDevice device(link_path);
    if (!device.valid()) {
        print_line(device.error());
        return exit_no_device;
    }

    Card card(key);
    card.set_forgetful(parser.isSet(forgetful_option));
    Reader reader(std::move(card), parser.isSet(verbose_option) ? print_line : nullptr);
    LineLoop loop(
        device, reader, { std::chrono::milliseconds(delay_ms), parser.isSet(manual_option) });

    // Whoever started the reader learns its device from this line alone.
    if (!print_out(qPrintable(device.path() + u'\n')))
        return output_failed_status;
    return loop.run();
}
