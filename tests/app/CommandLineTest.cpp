#include "CommandLine.h"
#include "CliOptions.h"

#include <gtest/gtest.h>

namespace {

// Both programs read these options by one table: each row is given to novard-demo, and to
// novard-cli after a read's arguments.
std::pair<ProgramOptions, ProgramOptions> parse(const QByteArrayList& arguments)
{
    return { CommandLine::parse(QByteArrayList { "novard-demo" } + arguments),
        CliOptions::parse(QByteArrayList { "novard-cli", "read", "04" } + arguments) };
}

TEST(CommandLine, BothProgramsMapPortsKeepPathsAsBytesAndGiveHelpVersionAndOneLineErrors)
{
    for (const ProgramOptions& line :
        { parse({ "--map", "COM10=/dev/ttyUSB0", "--map=COM9=rel/path=a=b", "--port-dir",
                    "/tmp/ports", "--trace", "/tmp/x\xff\xfe", "--trace-max", "10k", "--language",
                    "en", "--card-encoding", "utf-8" })
                .first,
            parse({ "--map", "COM10=/dev/ttyUSB0", "--map=COM9=rel/path=a=b", "--port-dir",
                      "/tmp/ports", "--trace", "/tmp/x\xff\xfe", "-trace-max", "10k",
                      "--language=en", "--card-encoding=utf-8" })
                .second }) {
        ASSERT_EQ(line.action, ProgramOptions::Action::run) << line.text.toStdString();
        EXPECT_EQ(QStringList({ QString(line.trace_file), line.port_map.device_for(10),
                      line.port_map.device_for(9), line.port_map.device_for(3) }),
            QStringList({ "/tmp/x\xff\xfe", "/dev/ttyUSB0", "rel/path=a=b", "/tmp/ports/COM3" }));
        EXPECT_EQ(line.trace_max, 10240);
        EXPECT_EQ(line.language, Language::english);
        EXPECT_EQ(line.card_encoding, TextEncoding::utf8);
    }
    const auto [demo, cli] = parse({});
    EXPECT_TRUE(demo.card_encoding == TextEncoding::cp949 && cli.card_encoding == demo.card_encoding
        && !demo.language && demo.trace_max == 64 * 1024 * 1024);
    EXPECT_EQ(parse({ "--trace=--odd-name" }).second.trace_file, "--odd-name");
    EXPECT_EQ(parse({ "--trace-max=3G" }).first.trace_max, qint64(3) << 30);
    const CliOptions key = CliOptions::parse({ "novard-cli", "issue", "1", "카드", "--key=-1",
        "--input-encoding", "cp949", "--device", "/dev/ttyUSB0" });
    EXPECT_EQ(QStringList({ key.fields.key, key.fields.data, key.port_map.device_for(1) }),
        QStringList({ "-1", "카드", "/dev/ttyUSB0" }));
    EXPECT_EQ(key.input_encoding, TextEncoding::cp949);
    EXPECT_TRUE(CommandLine::parse({ "novard-demo", "--demo", "--list-ports" }).demo);

    const QByteArray huge(100'000, 'x');
    const std::pair<QByteArrayList, const char*> bad[] = {
        { { "--frobnicate" }, "unknown option 'frobnicate'" },
        { { "--" + huge }, "(100000 characters)" },
        { { "--map" }, "--map needs a value (COMn=PATH)" },
        { { "--map", "-x" }, "--map needs a value, not the option '-x'" },
        { { "--port-dir", "--list-ports" }, "--port-dir needs a value, not the option" },
        { { "--trace", "--json" }, "--trace needs a value, not the option '--json'" },
        { { "--map", "COM0=/x" }, "--map takes COMn=PATH with n from 1 to 16, not 'COM0=/x'" },
        { { "--map", "COM17=/x" }, "not 'COM17=/x'" },
        { { "--map", "com1=/x" }, "not 'com1=/x'" },
        { { "--map", "COM1=" }, "not 'COM1='" },
        { { "--map", "COM03=/x" }, "not 'COM03=/x'" },
        { { "--map", "COM 3=/x" }, "not 'COM 3=/x'" },
        { { "--map", "COM1" + huge }, "(100004 characters)" },
        { { "--map", "COM1=/a", "--map", "COM1=/b" }, "--map COM1 given more than once" },
        { { "--map", "COM1=/tmp/x\xff" }, "--map: the path of COM1 is not UTF-8" },
        { { "--port-dir", "/a", "--port-dir", "/b" }, "--port-dir given more than once" },
        { { "--port-dir=" }, "--port-dir needs a value (FOLDER), not an empty one" },
        { { "--port-dir", "/tmp/\xff" }, "--port-dir: the folder's name is not UTF-8" },
        { { "--trace" }, "--trace needs a value (FILE)" },
        { { "--trace", "" }, "--trace needs a value (FILE), not an empty one" },
        { { "-trace", "-" }, "--trace takes a file; for standard output name /dev/stdout" },
        { { "--trace=-" }, "--trace takes a file" },
        { { "--trace", "a", "--trace", "b" }, "--trace given more than once" },
        { { "--trace-max", "64MB" },
            "--trace-max takes a size such as 64M, 500k or 0, not '64MB'" },
        { { "--trace-max=-1" }, "not '-1'" },
        { { "--trace-max", "1048577G" }, "not '1048577G'" },
        { { "--trace-max", "1", "--trace-max", "2" }, "--trace-max given more than once" },
        { { "--language", "de" }, "--language takes ko or en, not 'de'" },
        { { "--language", "KO" }, "not 'KO'" },
        { { "--language=" }, "--language needs a value (ko|en), not an empty one" },
        { { "--language", "en", "--language", "ko" }, "--language given more than once" },
        { { "--card-encoding", "euc-kr" }, "--card-encoding takes cp949 or utf-8, not 'euc-kr'" },
        { { "--card-encoding" }, "--card-encoding needs a value (cp949|utf-8)" },
        { { "--help=1" }, "--help takes no value" },
        { { "stray" }, "unexpected argument 'stray'" },
        { { huge }, "unexpected argument 'xxx" },
    };
    for (const auto& [arguments, reason] : bad) {
        SCOPED_TRACE(arguments.join(' ').left(80).toStdString());
        const auto [demo, cli] = parse(arguments);
        for (const auto& [program, error] :
            { std::pair { "novard-demo: ", demo }, std::pair { "novard-cli: ", cli } }) {
            EXPECT_EQ(error.action, ProgramOptions::Action::error);
            EXPECT_TRUE(error.text.startsWith(QLatin1StringView(program))
                && error.text.contains(QString::fromUtf8(reason)) && !error.text.contains('\n')
                && error.text.size() < 300)
                << error.text.left(300).toStdString();
        }
    }
}

} // namespace
