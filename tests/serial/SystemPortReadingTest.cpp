#include "PortMap.h"
#include "Pty.h"
#include "QtSerialControl.h"
#include "QtSystemPorts.h"
#include "SystemPortsAhead.h"

#include <QCoreApplication>
#include <atomic>
#include <gtest/gtest.h>

namespace {

// Each reading of the list is a list of its own, its identity the reading's number.
struct CountedSystemPorts final : SystemPorts {
    QList<Port> ports() const override { return { { device, "", QString::number(++reads) } }; }
    bool may_have_identity(const QString& node) const override
    {
        return QtSystemPorts().may_have_identity(node);
    }
    QString device = QStringLiteral("ttyUSB0");
    mutable std::atomic<int> reads = 0;
};

// Start-up takes the reading made ahead, a later search sees the devices as they are then; a port
// on a pseudo-terminal reads no list to learn the identity it cannot have, another device does.
TEST(SystemPortReading, OnlyTheFirstIsAheadAndAPseudoTerminalNeedsNone)
{
    const SystemPortsAhead ahead(std::make_shared<CountedSystemPorts>());
    EXPECT_EQ(ahead.ports().value(0).identity, "1");
    EXPECT_EQ(ahead.ports().value(0).identity, "2");
    Pty pty;
    for (const auto& [node, reads] : { std::pair(pty.device_path(), 0), { "/dev/null", 1 } }) {
        SCOPED_TRACE(node.toStdString());
        auto system = std::make_shared<CountedSystemPorts>();
        PortMap map;
        map.set_system_ports(system);
        map.remember_identity(1, node);
        EXPECT_EQ(std::pair(system->reads.load(), map.identity(1)), std::pair(reads, QString()));
    }
}

// A search reads the list once: its openings of every port, and of the default one after it,
// find the USB adapter in the numbering's own reading (here a later reading would not know it);
// an opening after the search looks at the system as it is then.
TEST(SystemPortReading, ASearchReadsTheListOnce)
{
    Pty adapter;
    auto system = std::make_shared<CountedSystemPorts>();
    system->device = adapter.device_path();
    PortMap map;
    map.set_system_ports(system);
    QtSerialControl line(map);
    line.renumber_ports();
    for (const int port : { 1, 2, 1 }) {
        line.set_comm_port(port);
        EXPECT_EQ(line.open_port().ok(), port == 1) << "COM" << port;
        line.close_port();
    }
    EXPECT_EQ(system->reads.load(), 1);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(line.open_port().kind(), CommResult::Kind::other_device);
    EXPECT_EQ(system->reads.load(), 2);
}

} // namespace

// Where the system names its ports COMn itself, port n is its COMn, listed only while the system
// has it, and a device with an identity is followed to the name it comes back under.
TEST(SystemNamedPorts, AreThePortNumbersAndFollowTheirDevice)
{
    struct Named final : SystemPorts {
        QList<Port> ports() const override { return list; }
        bool names_ports() const override { return true; }
        QList<Port> list;
    };
    auto system = std::make_shared<Named>();
    system->list = { { "COM3", "USB Serial Port", "USB\\VID_0403&PID_6001\\A1" },
        { "COM1", "", "" }, { "COM40", "", "" } };
    PortMap map;
    map.set_system_ports(system);
    map.map_port(2, "\\\\.\\CNCA0");
    map.renumber();
    EXPECT_EQ(map.listing(), "COM1 COM1\nCOM2 \\\\.\\CNCA0\nCOM3 COM3 USB Serial Port\n");
    EXPECT_EQ(map.device_for(7), "COM7") << "a port the system lacks is still its own name";
    // The adapter comes back as COM5: port 3 names it there, and nothing else is taken for it.
    system->list[0].device = "COM5";
    EXPECT_EQ(map.locate(3), std::optional<QString>("COM5"));
    EXPECT_EQ(map.device_for(3), "COM5");
    system->list.removeFirst();
    EXPECT_EQ(map.locate(3), std::nullopt);
    EXPECT_EQ(map.locate(1), std::optional<QString>("COM1"));
}
