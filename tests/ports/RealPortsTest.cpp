#include "ChildProcess.h"
#include "FakeSystemPorts.h"
#include "Pty.h"
#include "QtPrinters.h"
#include "QtSerialControl.h"
#include "RecordingPortPanel.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Ports 1, 3 and 5 on pseudo-terminals, every other number on a path that does not exist.
struct RealPortsTest : testing::Test {
    QTemporaryDir nowhere;
    Pty com1, com3, com5;
    QtSerialControl line { make_map() };
    RecordingPortPanel panel { line };

    PortMap make_map() const
    {
        PortMap map;
        map.set_port_dir(nowhere.path());
        map.map_port(1, com1.device_path());
        map.map_port(3, com3.device_path());
        map.map_port(5, com5.device_path());
        return map;
    }

    void SetUp() override
    {
        ASSERT_TRUE(com1.valid() && com3.valid() && com5.valid());
        ASSERT_TRUE(panel.ops.open_default_port().ok());
    }

    // What the tool writes now arrives on exactly one of the pseudo-terminals.
    void expect_line_on(Pty& expected, const char* probe)
    {
        ASSERT_TRUE(line.output(QString::fromLatin1(probe)).ok());
        QTest::qWait(20);
        for (Pty* pty : { &com1, &com3, &com5 }) {
            EXPECT_EQ(pty->read_available(pty == &expected ? 1000 : 0),
                pty == &expected ? QByteArray(probe) : QByteArray())
                << pty->device_path().toStdString();
        }
    }
};

TEST_F(RealPortsTest, ASearchWithComOneOpenListsThePseudoTerminalsAndLeavesThemClosed)
{
    panel.ops.search_ports();
    EXPECT_EQ(panel.list, QStringList({ "COM1", "COM3", "COM5" }));
    EXPECT_FALSE(line.port_open());
    EXPECT_EQ(line.comm_port(), 16);
}

TEST_F(RealPortsTest, SwitchingMovesTheLineFromOneDeviceToTheOther)
{
    expect_line_on(com1, "one");
    panel.click_option(3);
    EXPECT_TRUE(panel.messages.isEmpty());
    EXPECT_EQ(panel.label, "COM3 PORT ON");
    expect_line_on(com3, "three");
}

TEST_F(RealPortsTest, ABusyDeviceSaysSoAndFallsBackToComOne)
{
    QProcess holder;
    die_with_test(holder);
    holder.start(QStringLiteral(SERIAL_HOLDER_PATH), { "lock", com3.device_path() });
    ASSERT_TRUE(holder.waitForReadyRead(5000));
    ASSERT_EQ(holder.readLine().trimmed(), "held");
    panel.type_port_text("COM3");

    ASSERT_EQ(panel.messages.size(), 1);
    const auto& box = panel.messages[0];
    EXPECT_EQ(box.text, PortOperations::not_found_message());
    EXPECT_TRUE(box.detail.startsWith(com3.device_path() + ": Device or resource busy"))
        << box.detail.toStdString();
    EXPECT_EQ(line.comm_port(), 1);
    expect_line_on(com1, "fallback");

    holder.closeWriteChannel();
    holder.waitForFinished(5000);
}

// The system's list is a fake naming links to pseudo-terminals, as udev names adapters.
TEST(SystemPortNumbering, IsTakenAnewAtASearchAndHoldsInBetween)
{
    Pty adapter, console, modem;
    QTemporaryDir dev;
    const auto plug = [&](const char* name, const Pty& pty) {
        EXPECT_TRUE(QFile::link(pty.device_path(), dev.filePath(name)));
        return SystemPorts::Port { dev.filePath(name), QString() };
    };
    auto system = std::make_shared<FakeSystemPorts>();
    system->list = { plug("ttyS0", console), plug("ttyUSB0", adapter) };
    PortMap map;
    map.set_system_ports(system);
    QtSerialControl line { map };
    RecordingPortPanel panel { line };

    panel.ops.search_ports();
    EXPECT_EQ(panel.list, QStringList({ "COM1", "COM2" }));
    EXPECT_EQ(line.device_for(1), dev.filePath("ttyUSB0"));

    // The adapter is pulled out and a modem plugged in: the numbers hold until the next search.
    ASSERT_TRUE(QFile::remove(dev.filePath("ttyUSB0")));
    system->list = { system->list[0], plug("ttyACM0", modem) };
    EXPECT_EQ(line.device_for(1), dev.filePath("ttyUSB0"));
    EXPECT_EQ(line.device_for(3), QString());

    panel.ops.search_ports();
    EXPECT_EQ(panel.list, QStringList({ "COM1", "COM2" }));
    EXPECT_EQ(line.device_for(1), dev.filePath("ttyACM0"));
    EXPECT_EQ(line.device_for(2), dev.filePath("ttyS0"));
}

} // namespace
