#include "CommandLine.h"

#include <QCommandLineParser>
#include <QFile>
#include <QHash>
#include <QSet>
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
                      forms), and each port open, close and loss; when lines
                      cannot be written, the tool says so once and notes in
                      FILE how many were lost when writing works again
  --trace-max SIZE    once FILE holds SIZE bytes (a number, or with k, M or G),
                      keep it as FILE.1 and begin FILE anew; default 64M, 0 for
                      no bound
  --demo              start the simulated card reader (novard-reader-sim) as
                      COM1 in a private folder of ports, for a demonstration
                      without hardware; it stops when the window closes
  --language ko|en    show the window in Korean or in English; without it the
                      desktop's first language decides: Korean for Korean and
                      under the C locale, English for any other
  -h, --help          show this text and exit
  --version           show the version and exit

A value that begins with '-' is taken only when joined to its option with '='
(--trace=-odd-name). Standard output is /dev/stdout, not '-'.

Without --port-dir, a port not mapped is one of the system's serial devices,
numbered COM1, COM2 ...: USB adapters and modems (ttyUSB*, ttyACM*) first, then
the others (ttyS* ...), each in name order. The numbering is taken at start-up
and at each port search, so a reader pulled out and plugged back keeps its port.
)";

const QStringList value_options { QStringLiteral("map"), QStringLiteral("port-dir"),
    QStringLiteral("trace"), QStringLiteral("trace-max"), QStringLiteral("language") };

// The values of the options that take one, as the bytes given, by option name; or the reason one
// is refused. QCommandLineParser would take an option that follows as the value, and it sees
// the arguments only as text, which a file name that is not UTF-8 does not survive.
struct RawValues {
    QHash<QString, QByteArrayList> values;
    QString error;
};

RawValues raw_values(const QByteArrayList& arguments)
{
    RawValues raw;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QByteArray& argument = arguments[i];
        if (argument == "--")
            break;
        if (!argument.startsWith('-'))
            continue;
        // Single-dash words are long options too.
        const QByteArray word = argument.mid(argument.startsWith("--") ? 2 : 1);
        const qsizetype equals = word.indexOf('=');
        const QString name = QString::fromUtf8(equals < 0 ? word : word.left(equals));
        if (!value_options.contains(name))
            continue;
        if (equals >= 0) {
            raw.values[name].append(word.mid(equals + 1));
        } else if (i + 1 < arguments.size()) {
            const QByteArray& value = arguments[++i];
            if (value.startsWith('-')) {
                raw.error = QStringLiteral("--%1 needs a value, not the option %2 (join a value "
                                           "that begins with '-' with '=': --%1=VALUE)")
                                .arg(name, CommandLine::quoted(QFile::decodeName(value)));
                return raw;
            }
            raw.values[name].append(value);
        }
    }
    return raw;
}

bool is_utf8(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// "64M", "10k", "4096"; 1024-based.
std::optional<qint64> size_value(QString text)
{
    qint64 unit = 1;
    const QString units = QStringLiteral("kmg");
    if (const qsizetype power = units.indexOf(text.right(1).toLower());
        power >= 0 && !text.isEmpty()) {
        unit = qint64(1) << (10 * (power + 1));
        text.chop(1);
    }
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (!ok || number < 0 || text.startsWith(u'+') || number > (qint64(1) << 50) / unit)
        return std::nullopt;
    return number * unit;
}

} // namespace

QString CommandLine::quoted(QStringView text)
{
    constexpr qsizetype head = 48, tail = 16;
    if (text.size() <= head + tail + 1)
        return u'\'' + text.toString() + u'\'';
    return u'\'' + text.left(head).toString()
        + QStringLiteral("…' (%1 characters) '").arg(text.size()) + text.right(tail).toString()
        + u'\'';
}

CommandLine CommandLine::parse(const QByteArrayList& arguments)
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
    const QCommandLineOption trace_max_option(
        QStringLiteral("trace-max"), QString(), QStringLiteral("SIZE"));
    const QCommandLineOption demo_option(QStringLiteral("demo"));
    const QCommandLineOption help_option(
        QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption version_option(QStringLiteral("version"));
    const QCommandLineOption list_option(QStringLiteral("list-ports"));
    const QCommandLineOption language = language_option();
    parser.addOptions({ map_option, dir_option, trace_option, trace_max_option, demo_option,
        help_option, version_option, list_option, language });

    CommandLine line;
    auto fail = [&](const QString& reason) {
        line.action = Action::error;
        line.text = program + QStringLiteral(": ") + reason;
        return line;
    };
    QStringList texts;
    for (const QByteArray& argument : arguments)
        texts.append(QFile::decodeName(argument));
    if (!parser.parse(texts)) {
        // Qt's text would quote all of a mistyped option, however long.
        const QStringList unknown = parser.unknownOptionNames();
        return fail(unknown.isEmpty()
                ? parser.errorText()
                : QStringLiteral("unknown option %1").arg(quoted(unknown[0])));
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("unexpected argument %1").arg(quoted(parser.positionalArguments()[0])));
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
    const RawValues raw = raw_values(arguments);
    if (!raw.error.isEmpty())
        return fail(raw.error);
    // An option given at most once and never empty; the reason when it is given otherwise.
    auto single
        = [&](const QCommandLineOption& option, const char* what) -> std::optional<QString> {
        const QByteArrayList values = raw.values.value(option.names().constFirst());
        const QString name = QStringLiteral("--") + option.names().constFirst();
        if (values.size() > 1)
            return name + QStringLiteral(" given more than once");
        if (!values.isEmpty() && values[0].isEmpty())
            return name + QStringLiteral(" needs a ") + QLatin1StringView(what);
        return std::nullopt;
    };
    for (const auto& [option, what] :
        { std::pair { &dir_option, "folder" }, std::pair { &trace_option, "file" },
            std::pair { &trace_max_option, "size" }, std::pair { &language, "language" } }) {
        if (const auto reason = single(*option, what))
            return fail(*reason);
    }
    if (parser.isSet(language)) {
        line.language = language_named(parser.value(language));
        if (!line.language)
            return fail(language_error(parser.value(language)));
    }
    // A serial port's name is text to QSerialPort: a path that is not UTF-8 would open another.
    const QByteArray folder = raw.values.value(dir_option.names().constFirst()).value(0);
    if (!is_utf8(folder))
        return fail(QStringLiteral("--port-dir: the folder's name is not UTF-8, which a serial "
                                   "port's path must be"));
    if (!folder.isEmpty())
        line.port_map.set_port_dir(QString::fromUtf8(folder));
    line.trace_file = raw.values.value(trace_option.names().constFirst()).value(0);
    if (line.trace_file == "-")
        return fail(QStringLiteral("--trace takes a file; for standard output name /dev/stdout"));
    if (parser.isSet(trace_max_option)) {
        const auto size = size_value(parser.value(trace_max_option));
        if (!size)
            return fail(QStringLiteral("--trace-max takes a size such as 64M, 500k or 0, not %1")
                            .arg(quoted(parser.value(trace_max_option))));
        line.trace_max = *size;
    }
    if (parser.isSet(demo_option)) {
        if (!folder.isEmpty())
            return fail(QStringLiteral("--demo makes its own folder of ports; drop --port-dir"));
        line.demo = true;
    }
    QSet<int> mapped;
    for (const QByteArray& value : raw.values.value(map_option.names().constFirst())) {
        const auto mapping = PortMap::parse_mapping(QFile::decodeName(value));
        if (!mapping)
            return fail(QStringLiteral("--map takes COMn=PATH with n from 1 to 16, not %1")
                            .arg(quoted(QFile::decodeName(value))));
        if (!is_utf8(value))
            return fail(QStringLiteral("--map: the path of COM%1 is not UTF-8, which a serial "
                                       "port's path must be")
                            .arg(mapping->port));
        if (mapped.contains(mapping->port))
            return fail(QStringLiteral("--map COM%1 given more than once").arg(mapping->port));
        mapped.insert(mapping->port);
        line.port_map.map_port(mapping->port, mapping->path);
    }
    if (parser.isSet(list_option))
        line.action = Action::list_ports;
    return line;
}
