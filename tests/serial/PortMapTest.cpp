#include "PortMap.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

// Only the text of a default device is looked at: /dev/ttyS0 is this machine's console.
TEST(PortMap, ANumberIsItsMappingElseInTheFolderElseTheKernelsDevice)
{
    const struct {
        const char* name;
        QString folder;
        int mapped_port;
        int port;
        QString device;
    } cases[] = {
        { "default first", {}, 0, 1, "/dev/ttyS0" },
        { "default last", {}, 0, 16, "/dev/ttyS15" },
        { "folder", "/tmp/ports", 0, 1, "/tmp/ports/COM1" },
        { "folder two digits", "/tmp/ports", 0, 16, "/tmp/ports/COM16" },
        { "mapping over folder", "/tmp/ports", 3, 3, "/dev/ttyUSB0" },
        { "folder beside mapping", "/tmp/ports", 3, 2, "/tmp/ports/COM2" },
        { "mapping alone", {}, 2, 2, "/dev/ttyUSB0" },
        { "default beside mapping", {}, 2, 3, "/dev/ttyS2" },
    };
    for (const auto& c : cases) {
        PortMap map;
        if (!c.folder.isEmpty())
            map.set_port_dir(c.folder);
        if (c.mapped_port != 0)
            map.map_port(c.mapped_port, QStringLiteral("/dev/ttyUSB0"));
        EXPECT_EQ(map.device_for(c.port), c.device) << c.name;
    }
}

TEST(PortMap, WellFormedMappingGivesPortAndPath)
{
    const struct {
        QString text;
        int port;
        QString path;
    } cases[] = {
        { "COM3=/tmp/x", 3, "/tmp/x" },
        { "COM1=/dev/ttyUSB0", 1, "/dev/ttyUSB0" },
        { "COM16=/dev/pts/4", 16, "/dev/pts/4" },
        { "COM2=relative/path=with=equals", 2, "relative/path=with=equals" },
    };
    for (const auto& c : cases) {
        const auto mapping = PortMap::parse_mapping(c.text);
        ASSERT_TRUE(mapping.has_value()) << c.text.toStdString();
        EXPECT_EQ(mapping->port, c.port);
        EXPECT_EQ(mapping->path, c.path);
    }
}

TEST(PortMap, MalformedMappingIsRefused)
{
    const QStringList texts { "COM0=/tmp/x", "COM17=/tmp/x", "COM03=/tmp/x", "com3=/tmp/x",
        "COM3=", "COM3", "COM=/tmp/x", "COM+3=/tmp/x", "COM-1=/tmp/x", "COM 3=/tmp/x",
        "LPT1=/tmp/x", "=/tmp/x", "" };
    for (const QString& text : texts)
        EXPECT_FALSE(PortMap::parse_mapping(text).has_value()) << text.toStdString();
}

} // namespace
