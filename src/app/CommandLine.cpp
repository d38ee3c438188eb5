#include "CommandLine.h"

#include <QCommandLineParser>
#include <optional>

namespace {

const char* const usage = R"(Usage: novard-demo [OPTION]...

The NOVARD Read/Write demo: reads and issues contactless RF cards through a card
reader/writer on a serial port (9600 baud, 8N1).

  --map COMn=PATH     open PATH as port n (1-16): a USB adapter such as
                      /dev/ttyUSB0, a pseudo-terminal or a symbolic link
  --port-dir FOLDER   open FOLDER/COMn as port n, for every port not mapped
  --list-ports        print the device of each port, one line each
                      ("COM1 /dev/ttyUSB0" and the adapter's name), and exit
  --trace FILE        append every byte written to and received from the
                      port to FILE (time in ms, hex and [STX]-style display
                      forms), and each port open, close and loss
  --demo              start the simulated card reader (novard-reader-sim) as
                      COM1 in a private folder of ports, for a demonstration
                      without hardware; it stops when the window closes
  --language ko|en    show the window in Korean or in English; without it the
                      desktop's first language decides: Korean for Korean and
                      under the C locale, English for any other
  -h, --help          show this text and exit
  --version           show the version and exit

Without --port-dir, a port not mapped is one of the system's serial devices,
numbered COM1, COM2 ...: USB adapters and modems (ttyUSB*, ttyACM*) first, then
the others (ttyS* ...), each in name order. The numbering is taken at start-up
and at each port search, so a reader pulled out and plugged back keeps its port.
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
    const QCommandLineOption trace_option(
        QStringLiteral("trace"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption demo_option(QStringLiteral("demo"));
    const QCommandLineOption help_option(
        QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption version_option(QStringLiteral("version"));
    const QCommandLineOption list_option(QStringLiteral("list-ports"));
    const QCommandLineOption language = language_option();
    parser.addOptions({ map_option, dir_option, trace_option, demo_option, help_option,
        version_option, list_option, language });

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
    // An option given at most once and never empty; the reason when it is given otherwise.
    auto single
        = [&](const QCommandLineOption& option, const char* what) -> std::optional<QString> {
        const QStringList values = parser.values(option);
        const QString name = QStringLiteral("--") + option.names().constFirst();
        if (values.size() > 1)
            return name + QStringLiteral(" given more than once");
        if (!values.isEmpty() && values[0].isEmpty())
            return name + QStringLiteral(" needs a ") + QLatin1StringView(what);
        return std::nullopt;
    };
    if (const auto reason = single(dir_option, "folder"))
        return fail(*reason);
    if (const auto reason = single(trace_option, "file"))
        return fail(*reason);
    if (const auto reason = single(language, "language"))
        return fail(*reason);
    if (parser.isSet(language)) {
        line.language = language_named(parser.value(language));
        if (!line.language)
            return fail(language_error(parser.value(language)));
    }
    const QString folder = parser.value(dir_option);
    if (!folder.isEmpty())
        line.port_map.set_port_dir(folder);
    line.trace_file = parser.value(trace_option);
    if (parser.isSet(demo_option)) {
        if (!folder.isEmpty())
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
    if (parser.isSet(list_option))
        line.action = Action::list_ports;
    return line;
}
