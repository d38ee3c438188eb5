#include "PortMap.h"
#include "FakeSystemPorts.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// The system's list is a fake: no test lists the machine's own devices.
TEST(PortMap, ANumberIsItsMappingElseInTheFolderElseTheSystemsNumbering)
{
    const QList<SystemPorts::Port> system { { "/dev/ttyS1", "" }, { "/dev/ttyUSB10", "" },
        { "/dev/ttyAMA0", "" }, { "/dev/ttyS0", "" }, { "/dev/ttyACM0", "" },
        { "/dev/ttyUSB2", "FT232R USB UART" } };
    const struct {
        const char* name;
        QList<SystemPorts::Port> system;
        QString folder;
        int mapped_port;
        QStringList devices; // COM1, COM2 ...; empty: no device has that number
    } cases[] = {
        { "USB first, each group in natural order", system, {}, 0,
            { "/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyAMA0", "/dev/ttyS0",
                "/dev/ttyS1", "" } },
        { "no serial device", {}, {}, 0, { "", "" } },
        { "mapping over the system", system, {}, 2,
            { "/dev/ttyACM0", "/tmp/pty", "/dev/ttyUSB10" } },
        { "folder over the system", system, "/tmp/ports", 0,
            { "/tmp/ports/COM1", "/tmp/ports/COM2" } },
        { "mapping over the folder", system, "/tmp/ports", 1, { "/tmp/pty", "/tmp/ports/COM2" } },
    };
    for (const auto& c : cases) {
        auto listed = std::make_shared<FakeSystemPorts>();
        listed->list = c.system;
        PortMap map;
        map.set_system_ports(listed);
        if (!c.folder.isEmpty())
            map.set_port_dir(c.folder);
        if (c.mapped_port != 0)
            map.map_port(c.mapped_port, QStringLiteral("/tmp/pty"));
        map.renumber();
        for (int port = 1; port <= c.devices.size(); ++port)
            EXPECT_EQ(map.device_for(port), c.devices[port - 1]) << c.name << " COM" << port;
    }
}

TEST(PortMap, ListsTheNumberingWithTheAdaptersNames)
{
    auto listed = std::make_shared<FakeSystemPorts>();
    listed->list = { { "/dev/ttyS0", "" }, { "/dev/ttyUSB0", "FT232R USB UART" } };
    PortMap map;
    map.set_system_ports(listed);
    map.map_port(5, QStringLiteral("/tmp/pty"));
    map.renumber();
    EXPECT_EQ(map.listing(), "COM1 /dev/ttyUSB0 FT232R USB UART\nCOM2 /dev/ttyS0\nCOM5 /tmp/pty\n");
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
