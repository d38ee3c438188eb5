#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

CommandLine parse(const QByteArrayList& arguments)
{
    return CommandLine::parse(QByteArrayList { "novard-demo" } + arguments);
}

TEST(CommandLine, MapsPortsToDevicesTakesTheLanguageAndGivesHelpVersionAndOneLineErrors)
{
    const CommandLine line = parse({ "--map", "COM10=/dev/ttyUSB0", "--map=COM9=rel/path=a=b",
        "--map", "COM16=/x", "--port-dir", "/tmp/ports", "--trace", "wire.trace" });
    ASSERT_EQ(line.action, CommandLine::Action::run);
    EXPECT_EQ(QStringList({ QString(line.trace_file), line.port_map.device_for(10),
                  line.port_map.device_for(9), line.port_map.device_for(16),
                  line.port_map.device_for(3) }),
        QStringList({ "wire.trace", "/dev/ttyUSB0", "rel/path=a=b", "/x", "/tmp/ports/COM3" }));
    EXPECT_EQ(line.trace_max, 64 * 1024 * 1024);
    EXPECT_FALSE(line.demo || parse({}).demo || line.language);
    EXPECT_EQ(parse({ "--language", "en" }).language, Language::english);
    EXPECT_EQ(parse({ "--language=ko" }).language, Language::korean);
    EXPECT_TRUE(parse({ "--demo", "--map", "COM2=/dev/ttyUSB0" }).demo);
    const CommandLine help = parse({ "--help" }), version = parse({ "--version" });
    EXPECT_TRUE(help.action == CommandLine::Action::help && help.text.contains("--map COMn=PATH"));
    EXPECT_TRUE(
        version.action == CommandLine::Action::version && version.text.startsWith("novard-demo "));

    // A file name is kept as its bytes, and a value that begins with '-' is taken when joined.
    EXPECT_EQ(
        parse({ "--trace", "/tmp/x\xff\xfe", "--trace-max", "10k" }).trace_file, "/tmp/x\xff\xfe");
    EXPECT_EQ(parse({ "--trace=--odd-name" }).trace_file, "--odd-name");
    EXPECT_EQ(QList<qint64>({ parse({ "--trace-max", "10k" }).trace_max,
                  parse({ "--trace-max=0" }).trace_max, parse({ "-trace-max", "3G" }).trace_max }),
        QList<qint64>({ 10240, 0, qint64(3) << 30 }));

    const QByteArray huge(100'000, 'x');
    const QList<QByteArrayList> bad { { "--frobnicate" }, { "--map" }, { "--map", "COM0=/x" },
        { "--map", "COM17=/x" }, { "--map", "com1=/x" }, { "--map", "COM1" }, { "--map", "COM1=" },
        { "--map", "COM03=/x" }, { "--map", "COM=/x" }, { "--map", "COM 3=/x" },
        { "--map", "LPT1=/x" }, { "--port-dir", "/a", "--port-dir", "/b" }, { "--port-dir=" },
        { "--trace" }, { "--trace=" }, { "--trace", "a", "--trace", "b" }, { "stray" },
        { "--demo", "--port-dir", "/a" }, { "--port-dir", "--list-ports" },
        { "--trace", "--list-ports" }, { "--map", "-x" }, { "-trace", "-" }, { "--trace=-" },
        { "--map", "COM1=/a", "--map", "COM1=/b" }, { "--map", "COM1=/tmp/x\xff" },
        { "--port-dir", "/tmp/\xff" }, { "--trace-max", "64MB" }, { "--trace-max=-1" },
        { "--trace-max", "1", "--trace-max", "2" }, { "--trace-max", "99999999999G" },
        { "--trace-max", "1048577G" }, { "--" + huge }, { huge }, { "--map", "COM1" + huge },
        { "--language", "de" }, { "--language", "KO" }, { "--language" }, { "--language=" },
        { "--language", "en", "--language", "ko" } };
    for (const QByteArrayList& arguments : bad) {
        SCOPED_TRACE(arguments.join(' ').left(80).toStdString());
        const CommandLine error = parse(arguments);
        EXPECT_EQ(error.action, CommandLine::Action::error);
        EXPECT_TRUE(error.text.startsWith("novard-demo: ") && !error.text.contains('\n')
            && error.text.size() < 300)
            << error.text.left(300).toStdString();
    }
}

} // namespace
