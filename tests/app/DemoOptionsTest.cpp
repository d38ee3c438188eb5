#include "DemoOptions.h"
#include "CliOptions.h"

#include <gtest/gtest.h>

namespace {

// Both programs read these options by one table: each row is given to novard-demo, and to
// novard-cli after a read's arguments.
std::pair<ProgramOptions, ProgramOptions> parse(const QByteArrayList& arguments)
{
    return { DemoOptions::parse(QByteArrayList { "novard-demo" } + arguments),
        CliOptions::parse(QByteArrayList { "novard-cli", "read", "04" } + arguments) };
}

// Each refused the same way by both programs, in one line however long or odd the argument.
const std::pair<QByteArrayList, const char*> refused_options[] = {
    { { "--frobnicate=1" }, "unknown option '--frobnicate'" },
    { { "--\x1B]0;t\x07" + QByteArray(100'000, 'x') }, "unknown option '--[ESC]]0;t[BEL]xxxx" },
    { { "--map" }, "--map needs a value (COMn=PATH)" },
    { { "--trace", "--json" }, "--trace needs a value, not the option '--json'" },
    { { "--map", "COM0=/x" }, "--map takes COMn=PATH with n from 1 to 16, not 'COM0=/x'" },
    { { "--map", "COM17=/x" }, "not 'COM17=/x'" },
    { { "--map", "COM1=" }, "not 'COM1='" },
    { { "--map", "COM1=/a", "--map", "COM1=/b" }, "--map COM1 given more than once" },
    { { "--map", "COM1=/tmp/x\xff" }, "--map: the path of COM1 is not UTF-8" },
    { { "--port-dir", "/a", "--port-dir", "/b" }, "--port-dir given more than once" },
    { { "--port-dir=" }, "--port-dir needs a value (FOLDER), not an empty one" },
    { { "--port-dir", "/tmp/\xff" }, "--port-dir: the folder's name is not UTF-8" },
    { { "-trace", "-" }, "--trace takes a file; for standard output name /dev/stdout" },
    { { "--trace-max", "64MB" }, "--trace-max takes a size such as 64M, 500k or 0, not '64MB'" },
    { { "--trace-max", "1048577G" }, "not '1048577G'" },
    { { "--language", "de" }, "--language takes ko or en, not 'de'" },
    { { "--language=" }, "--language needs a value (ko|en), not an empty one" },
    { { "--card-encoding", "euc-kr" }, "--card-encoding takes cp949 or utf-8, not 'euc-kr'" },
    { { "--help=1" }, "--help takes no value" },
    { { "stray" }, "unexpected argument 'stray'" },
};

TEST(DemoOptions, BothProgramsMapPortsKeepPathsAsBytesAndGiveHelpVersionAndOneLineErrors)
{
    const auto [demo_options, cli_options] = parse({ "--map", "COM10=/dev/ttyUSB0",
        "--map=COM9=rel/path=a=b", "--port-dir", "/tmp/ports", "-trace", "/tmp/x\xff\xfe",
        "--trace-max", "10k", "--language=en", "--card-encoding", "utf-8" });
    for (const ProgramOptions& options : { demo_options, cli_options }) {
        ASSERT_EQ(options.action, ProgramOptions::Action::run) << options.text.toStdString();
        EXPECT_EQ(QStringList({ QString(options.trace_file), options.port_map.device_for(10),
                      options.port_map.device_for(9), options.port_map.device_for(3) }),
            QStringList({ "/tmp/x\xff\xfe", "/dev/ttyUSB0", "rel/path=a=b", "/tmp/ports/COM3" }));
        EXPECT_TRUE(options.trace_max == 10240 && options.language == Language::english
            && options.card_encoding == TextEncoding::utf8);
    }
    const auto [demo, cli] = parse({});
    EXPECT_TRUE(demo.card_encoding == TextEncoding::cp949 && cli.card_encoding == demo.card_encoding
        && !demo.language && demo.trace_max == 64 * 1024 * 1024);
    EXPECT_EQ(parse({ "--trace=--odd-name" }).second.trace_file, "--odd-name");
    EXPECT_EQ(parse({ "--trace-max=3G" }).first.trace_max, qint64(3) << 30);
    const CliOptions cli_key = CliOptions::parse(
        { "novard-cli", "issue", "1", "카드", "--key=-1", "--input-encoding", "cp949" });
    EXPECT_TRUE(cli_key.fields.key == "-1" && cli_key.fields.data == "카드"
        && cli_key.input_encoding == TextEncoding::cp949);
    EXPECT_TRUE(DemoOptions::parse({ "novard-demo", "--demo", "--list-ports" }).demo);
    EXPECT_EQ(CliOptions::parse({ "novard-cli", "issue", "04", "a\xff" }).text,
        "novard-cli: DATA is not valid UTF-8");
    EXPECT_EQ(CliOptions::parse({ "novard-cli", "issue", "04" }).text,
        "novard-cli: issue needs ADDRESS and DATA");
    EXPECT_EQ(CliOptions::parse({ "novard-cli", "batch", "-", "--input-encoding", "utf-8",
                                    "--input-encoding", "cp949" })
                  .text,
        "novard-cli: --input-encoding given more than once");

    for (const auto& [arguments, reason] : refused_options) {
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
