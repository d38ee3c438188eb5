#include "CommandLine.h"

#include <QCommandLineParser>

namespace {

const char* const usage = R"(Usage: novard-demo [--map COMn=PATH]... [--port-dir FOLDER]

The NOVARD Read/Write demo: reads and issues contactless RF cards through a card
reader/writer on a serial port (9600 baud, 8N1).

  --map COMn=PATH     open PATH as port n (1-16): a USB adapter such as
                      /dev/ttyUSB0, a pseudo-terminal or a symbolic link
  --port-dir FOLDER   open FOLDER/COMn as port n, for every port not mapped
  --demo              start the simulated card reader (novard-reader-sim) as
                      COM1 in a private folder of ports, for a demonstration
                      without hardware; it stops when the window closes
  -h, --help          show this text and exit
  --version           show the version and exit

Without options COMn is /dev/ttyS(n-1).
)";

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments)
{
    const QString program = QStringLiteral("novard-demo");
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption map_option(
        QStringLiteral("map"), QString(), QStringLiteral("COMn=PATH"));
    const QCommandLineOption dir_option(
        QStringLiteral("port-dir"), QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption demo_option(QStringLiteral("demo"));
    const QCommandLineOption help_option(
        QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption version_option(QStringLiteral("version"));
    parser.addOptions({ map_option, dir_option, demo_option, help_option, version_option });

    CommandLine line;
    auto fail = [&](const QString& reason) {
        line.action = Action::error;
        line.text = program + QStringLiteral(": ") + reason;
        return line;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments()[0]));
    if (parser.isSet(help_option)) {
        line.action = Action::help;
        line.text = QString::fromUtf8(usage);
        return line;
    }
    if (parser.isSet(version_option)) {
        line.action = Action::version;
        line.text = program + QStringLiteral(" " NOVARD_VERSION "\n");
        return line;
    }
    const QStringList folders = parser.values(dir_option);
    if (folders.size() > 1)
        return fail(QStringLiteral("--port-dir given more than once"));
    if (!folders.isEmpty()) {
        if (folders[0].isEmpty())
            return fail(QStringLiteral("--port-dir needs a folder"));
        line.port_map.set_port_dir(folders[0]);
    }
    if (parser.isSet(demo_option)) {
        if (!folders.isEmpty())
            return fail(QStringLiteral("--demo makes its own folder of ports; drop --port-dir"));
        line.demo = true;
    }
    for (const QString& value : parser.values(map_option)) {
        const auto mapping = PortMap::parse_mapping(value);
        if (!mapping)
            return fail(
                QStringLiteral("--map takes COMn=PATH with n from 1 to 16, not '%1'").arg(value));
        line.port_map.map_port(mapping->port, mapping->path);
    }
    return line;
}
