#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

CommandLine parse(QStringList arguments)
{
    arguments.prepend("novard-demo");
    return CommandLine::parse(arguments);
}

TEST(CommandLine, MapsPortsToDevicesTakesTheLanguageAndGivesHelpVersionAndOneLineErrors)
{
    const CommandLine line = parse({ "--map", "COM10=/dev/ttyUSB0", "--map=COM9=rel/path=a=b",
        "--map", "COM16=/x", "--port-dir", "/tmp/ports", "--trace", "wire.trace" });
    ASSERT_EQ(line.action, CommandLine::Action::run);
    EXPECT_EQ(
        QStringList({ line.trace_file, line.port_map.device_for(10), line.port_map.device_for(9),
            line.port_map.device_for(16), line.port_map.device_for(3) }),
        QStringList({ "wire.trace", "/dev/ttyUSB0", "rel/path=a=b", "/x", "/tmp/ports/COM3" }));
    EXPECT_FALSE(line.demo || parse({}).demo || line.language);
    EXPECT_EQ(parse({ "--language", "en" }).language, Language::english);
    EXPECT_EQ(parse({ "--language=ko" }).language, Language::korean);
    EXPECT_TRUE(parse({ "--demo", "--map", "COM2=/dev/ttyUSB0" }).demo);
    const CommandLine help = parse({ "--help" }), version = parse({ "--version" });
    EXPECT_TRUE(help.action == CommandLine::Action::help && help.text.contains("--map COMn=PATH"));
    EXPECT_TRUE(
        version.action == CommandLine::Action::version && version.text.startsWith("novard-demo "));

    const QList<QStringList> bad { { "--frobnicate" }, { "--map" }, { "--map", "COM0=/x" },
        { "--map", "COM17=/x" }, { "--map", "com1=/x" }, { "--map", "COM1" }, { "--map", "COM1=" },
        { "--map", "COM03=/x" }, { "--map", "COM=/x" }, { "--map", "COM 3=/x" },
        { "--map", "LPT1=/x" }, { "--port-dir", "/a", "--port-dir", "/b" }, { "--port-dir=" },
        { "--trace" }, { "--trace=" }, { "--trace", "a", "--trace", "b" }, { "stray" },
        { "--demo", "--port-dir", "/a" }, { "--language", "de" }, { "--language", "KO" },
        { "--language" }, { "--language=" }, { "--language", "en", "--language", "ko" } };
    for (const QStringList& arguments : bad) {
        const CommandLine error = parse(arguments);
        EXPECT_EQ(error.action, CommandLine::Action::error) << arguments.join(' ').toStdString();
        EXPECT_TRUE(error.text.startsWith("novard-demo: ") && !error.text.contains('\n'));
    }
}

} // namespace
