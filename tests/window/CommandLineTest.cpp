#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

CommandLine parse(QStringList arguments)
{
    arguments.prepend("novard-demo");
    return CommandLine::parse(arguments);
}

TEST(CommandLine, MapsPortsToDevices)
{
    const CommandLine line = parse({ "--map", "COM1=/dev/ttyUSB0", "--map=COM12=/tmp/pty",
        "--port-dir", "/tmp/ports", "--trace", "wire.trace" });
    ASSERT_EQ(line.action, CommandLine::Action::run);
    EXPECT_EQ(line.trace_file, "wire.trace");
    EXPECT_EQ(parse({}).trace_file, "");
    EXPECT_EQ(line.port_map.device_for(1), "/dev/ttyUSB0");
    EXPECT_EQ(line.port_map.device_for(12), "/tmp/pty");
    EXPECT_EQ(line.port_map.device_for(3), "/tmp/ports/COM3");
    EXPECT_EQ(parse({}).action, CommandLine::Action::run);
    EXPECT_FALSE(parse({}).demo);
    EXPECT_TRUE(parse({ "--demo", "--map", "COM2=/dev/ttyUSB0" }).demo);
}

TEST(CommandLine, HelpAndVersion)
{
    const CommandLine help = parse({ "--help" });
    EXPECT_EQ(help.action, CommandLine::Action::help);
    EXPECT_TRUE(help.text.contains("--map COMn=PATH") && help.text.contains("--list-ports"));
    const CommandLine version = parse({ "--version" });
    EXPECT_EQ(version.action, CommandLine::Action::version);
    EXPECT_TRUE(version.text.startsWith("novard-demo "));
}

TEST(CommandLine, BadOptionsGiveOneLineErrors)
{
    const QList<QStringList> bad { { "--frobnicate" }, { "--map" }, { "--map", "COM0=/x" },
        { "--map", "COM17=/x" }, { "--map", "com1=/x" }, { "--map", "COM1" }, { "--map", "COM1=" },
        { "--port-dir", "/a", "--port-dir", "/b" }, { "--port-dir=" }, { "--trace" },
        { "--trace=" }, { "--trace", "a", "--trace", "b" }, { "stray" },
        { "--demo", "--port-dir", "/a" } };
    for (const QStringList& arguments : bad) {
        const CommandLine line = parse(arguments);
        EXPECT_EQ(line.action, CommandLine::Action::error) << arguments.join(' ').toStdString();
        EXPECT_TRUE(line.text.startsWith("novard-demo: "));
        EXPECT_FALSE(line.text.contains('\n'));
    }
}

} // namespace
