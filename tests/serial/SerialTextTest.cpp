#include "FakeSystemPorts.h"
#include "LineSettings.h"
#include "PortMap.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(LineSettings, ValidTextParsesIntoItsPartsAndInvalidTextIsRefusedRatherThanDefaulted)
{
    using P = LineSettings::Parity;
    using S = LineSettings::StopBits;
    const std::pair<QString, LineSettings> valid[] = {
        // The rest shows on the device when the serial control opens it.
        { "19200,E,7,2", { 19200, P::even, 7, S::two } },
        { "4800,M,6,1.5", { 4800, P::mark, 6, S::one_and_half } },
    };
    for (const auto& [text, expected] : valid) {
        const auto parsed = LineSettings::parse(text);
        ASSERT_TRUE(parsed.has_value()) << text.toStdString();
        EXPECT_EQ(std::tuple(parsed->baud, parsed->parity, parsed->data_bits, parsed->stop_bits),
            std::tuple(expected.baud, expected.parity, expected.data_bits, expected.stop_bits));
    }
    for (const char* text : { "", "9600,n,8", "9600,,8,1", "9600,no,8,1", "9600,n,4,1",
             "9600,n,9,1", "9600,n,8,3", "9600,n,8,1.0", "fast,n,8,1", "0,n,8,1", "9600,n,8,1,0" })
        EXPECT_FALSE(LineSettings::parse(QString::fromLatin1(text)).has_value()) << text;
}

// The system's list is a fake: no test lists the machine's own devices.
TEST(PortMap, ANumberIsItsMappingElseInTheFolderElseTheSystemsNumbering)
{
    const QList<SystemPorts::Port> system { { "/dev/ttyS1", "" }, { "/dev/ttyUSB10", "" },
        { "/dev/ttyAMA0", "" }, { "/dev/ttyS0", "" }, { "/dev/ttyACM0", "" },
        { "/dev/ttyUSB2", "FT232R USB UART" } };
    const struct {
        QList<SystemPorts::Port> system;
        QString folder;
        int mapped_port;
        QStringList devices; // COM1, COM2 ...; empty: no device has that number
    } cases[] = {
        { system, {}, 0,
            { "/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyAMA0", "/dev/ttyS0",
                "/dev/ttyS1", "" } },
        { system, {}, 2, { "/dev/ttyACM0", "/tmp/pty", "/dev/ttyUSB10" } },
        { system, "/tmp/ports", 1, { "/tmp/pty", "/tmp/ports/COM2" } },
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
            EXPECT_EQ(map.device_for(port), c.devices[port - 1]) << "COM" << port;
        if (c.folder.isEmpty() && c.mapped_port == 0) {
            EXPECT_TRUE(
                map.listing().startsWith("COM1 /dev/ttyACM0\nCOM2 /dev/ttyUSB2 FT232R USB UART\n"));
        }
    }
}

TEST(PortMap, OnlyAWellFormedMappingGivesPortAndPath)
{
    const auto mapping = PortMap::parse_mapping(u"COM16=relative/path=with=equals");
    ASSERT_TRUE(mapping.has_value());
    EXPECT_EQ(mapping->port, 16);
    EXPECT_EQ(mapping->path, "relative/path=with=equals");
    EXPECT_EQ(PortMap::parse_mapping(u"COM1=/dev/ttyUSB0")->port, 1);
    for (const char* text : { "COM0=/x", "COM17=/x", "COM03=/x", "com3=/x", "COM3=", "COM3",
             "COM=/x", "COM+3=/x", "COM 3=/x", "LPT1=/x", "" })
        EXPECT_FALSE(PortMap::parse_mapping(QString::fromLatin1(text)).has_value()) << text;
}

} // namespace
