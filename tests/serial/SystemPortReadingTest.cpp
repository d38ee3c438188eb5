#include "PortMap.h"
#include "Pty.h"
#include "QtSystemPorts.h"
#include "SystemPortsAhead.h"

#include <atomic>
#include <gtest/gtest.h>

namespace {

// Each reading of the list is a list of its own, its identity the reading's number.
struct CountedSystemPorts final : SystemPorts {
    QList<Port> ports() const override { return { { "ttyUSB0", "", QString::number(++reads) } }; }
    bool may_have_identity(const QString& node) const override
    {
        return QtSystemPorts().may_have_identity(node);
    }
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

} // namespace
