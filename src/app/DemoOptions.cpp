#include "DemoOptions.h"

#include "StandardStreams.h"

ProgramHelp DemoOptions::help()
{
    ProgramHelp help;
    help.program = QStringLiteral("novard-demo");
    help.usage = { QStringLiteral("[OPTION]...") };
    help.summary
        = QStringLiteral("The NOVARD Read/Write demo: reads, issues and modifies contactless RF "
                         "cards through a card reader/writer on a serial port (9600 "
                         "baud, 8N1).");
    help.options = port_options();
    help.options.append({ "list-ports", "",
        "print the device of each port, one line each (\"COM1 /dev/ttyUSB0\" and the adapter's "
        "name), and exit" });
    help.options += trace_options();
    help.options.append({ "demo", "",
        "start the simulated card reader (novard-reader-sim) as COM1 in a private folder of "
        "ports, for a demonstration without hardware; it stops when the window closes" });
    help.options += common_options();
    help.notes = QStringLiteral(
        "A value that begins with '-' is taken only when joined to its option with '=' "
        "(--trace=-odd-name). Standard output is /dev/stdout, not '-'.\n\n"
        "Without --port-dir, a port not mapped is one of the system's serial devices, numbered "
        "COM1, COM2 ...: USB adapters and modems (ttyUSB*, ttyACM*) first, then the others "
        "(ttyS* ...), each in name order. The numbering is taken at start-up and at each port "
        "search, so a reader pulled out and plugged back keeps its port.\n\n"
        "The window's captions and messages are in Korean or English as --language or the "
        "desktop chooses; --help, the manual pages and the messages on standard error are "
        "English.");
    help.exit_statuses = {
        { QStringLiteral("0"),
            "the window was closed, or SIGTERM, SIGHUP or SIGINT closed it (the open port is "
            "closed and its lock removed first); or --help, --version or --list-ports was given" },
        { QStringLiteral("1"),
            "no display to open the window on, or the simulated reader of --demo did not start "
            "(the reason is given in one line)" },
        { QStringLiteral("2"),
            "bad options, or the trace file cannot be opened (a FIFO that no process reads "
            "included); nothing is started" },
        { QString::number(output_failed_status),
            "standard output could not be written (--help, --version, --list-ports, or the line "
            "of --demo that names the reader's device); nothing is started" },
    };
    return help;
}

DemoOptions DemoOptions::parse(const QByteArrayList& arguments)
{
    const ProgramHelp about = help();
    const ParsedArguments parsed = ParsedArguments::parse(about.options, arguments);
    DemoOptions options;
    if (!options.take(parsed, about) || options.action != Action::run)
        return options;
    if (!parsed.words.isEmpty()) {
        options.fail(about.program,
            QStringLiteral("unexpected argument %1")
                .arg(quoted(QString::fromLocal8Bit(parsed.words[0]))));
        return options;
    }
    options.list_ports = parsed.is_set(QStringLiteral("list-ports"));
    options.demo = parsed.is_set(QStringLiteral("demo"));
    if (options.demo && parsed.is_set(QStringLiteral("port-dir")))
        options.fail(
            about.program, QStringLiteral("--demo makes its own folder of ports; drop --port-dir"));
    return options;
}
