#include "ProgramOptions.h"

#include "ByteDisplay.h"

#include <QByteArrayView>
#include <QFile>
#include <QSet>

namespace {

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

using Complete = OptionSpec::Complete;

} // namespace

QList<OptionSpec> ProgramOptions::port_options()
{
    return {
        { "map", "COMn=PATH",
            "open PATH as port n (1-16): a USB adapter such as /dev/ttyUSB0, a pseudo-terminal or "
            "a symbolic link",
            true, false, Complete::nothing },
        { "port-dir", "FOLDER", "open FOLDER/COMn as port n, for every port not mapped", false,
            false, Complete::folder },
    };
}

QList<OptionSpec> ProgramOptions::trace_options()
{
    return {
        { "trace", "FILE",
            "append every byte written to and received from the port to FILE (time in ms, hex "
            "and [STX]-style display forms), and each port open, close and loss; when lines "
            "cannot be written, the program says so once and notes in FILE how many were lost "
            "when writing works again; the frames hold Key A, so a FILE made is readable by its "
            "owner alone (0600)",
            false, false, Complete::file },
        { "trace-max", "SIZE",
            "once FILE holds SIZE bytes (a number, or with k, M or G), keep it as FILE.1 and "
            "begin FILE anew; default 64M, 0 for no bound" },
    };
}

QList<OptionSpec> ProgramOptions::common_options()
{
    const QList<OptionSpec> options {
        { "card-encoding", "cp949|utf-8",
            "the card's text encoding: which bytes a field's characters become on the line and "
            "how read data are decoded; default cp949, as the cards of the Korean installed base "
            "hold their text",
            false, false, Complete::words, "cp949 utf-8" },
        { "language", "ko|en",
            "the messages, with the system's reasons in them, in Korean or in English; without "
            "it the desktop's first language decides: Korean for Korean and under the C locale, "
            "English for any other",
            false, false, Complete::words, "ko en" },
    };
    return options + help_options();
}

QList<OptionSpec> ProgramOptions::help_options()
{
    return {
        { "help", "", "show this text and exit" },
        { "version", "", "show the version and exit" },
    };
}

bool ProgramOptions::fail(const QString& program, const QString& reason)
{
    action = Action::error;
    text = program + QStringLiteral(": ") + reason;
    return false;
}

bool ProgramOptions::take(const ParsedArguments& parsed, const ProgramHelp& help)
{
    const QString& program = help.program;
    if (!parsed.error.isEmpty())
        return fail(program, parsed.error);
    if (parsed.is_set(QStringLiteral("help"))) {
        action = Action::help;
        text = help_text(help);
        return true;
    }
    if (parsed.is_set(QStringLiteral("version"))) {
        action = Action::version;
        text = program + QStringLiteral(" " NOVARD_VERSION "\n");
        return true;
    }
    return take_language(parsed, program) && take_ports(parsed, program)
        && take_trace(parsed, program);
}

bool ProgramOptions::take_language(const ParsedArguments& parsed, const QString& program)
{
    if (parsed.is_set(QStringLiteral("language"))) {
        language = language_named(parsed.text(QStringLiteral("language")));
        if (!language)
            return fail(
                program, language_error(echo_form(parsed.text(QStringLiteral("language")))));
    }
    if (parsed.is_set(QStringLiteral("card-encoding"))) {
        const auto encoding = encoding_named(parsed.text(QStringLiteral("card-encoding")));
        if (!encoding)
            return fail(program,
                QStringLiteral("--card-encoding takes cp949 or utf-8, not %1")
                    .arg(quoted(QFile::decodeName(parsed.value(QStringLiteral("card-encoding"))))));
        card_encoding = *encoding;
    }
    return true;
}

bool ProgramOptions::take_ports(const ParsedArguments& parsed, const QString& program)
{
    // A serial port's name is text to QSerialPort: a path that is not UTF-8 would open another.
    const QByteArray folder = parsed.value(QStringLiteral("port-dir"));
    if (!QByteArrayView(folder).isValidUtf8())
        return fail(program,
            QStringLiteral("--port-dir: the folder's name is not UTF-8, which a serial port's "
                           "path must be"));
    if (!folder.isEmpty())
        port_map.set_port_dir(QString::fromUtf8(folder));
    QSet<int> mapped;
    for (const QByteArray& value : parsed.values.value(QStringLiteral("map"))) {
        const auto mapping = PortMap::parse_mapping(QFile::decodeName(value));
        if (!mapping)
            return fail(program,
                QStringLiteral("--map takes COMn=PATH with n from 1 to 16, not %1")
                    .arg(quoted(QFile::decodeName(value))));
        if (!QByteArrayView(value).isValidUtf8())
            return fail(program,
                QStringLiteral("--map: the path of COM%1 is not UTF-8, which a serial port's "
                               "path must be")
                    .arg(mapping->port));
        if (mapped.contains(mapping->port))
            return fail(
                program, QStringLiteral("--map COM%1 given more than once").arg(mapping->port));
        mapped.insert(mapping->port);
        port_map.map_port(mapping->port, mapping->path);
    }
    return true;
}

bool ProgramOptions::take_trace(const ParsedArguments& parsed, const QString& program)
{
    trace_file = parsed.value(QStringLiteral("trace"));
    if (trace_file == "-")
        return fail(
            program, QStringLiteral("--trace takes a file; for standard output name /dev/stdout"));
    if (parsed.is_set(QStringLiteral("trace-max"))) {
        const QString value = parsed.text(QStringLiteral("trace-max"));
        const auto size = size_value(value);
        if (!size)
            return fail(program,
                QStringLiteral("--trace-max takes a size such as 64M, 500k or 0, not %1")
                    .arg(quoted(value)));
        trace_max = *size;
    }
    return true;
}
