#include "HangCeiling.h"
#include "SerialPlatform.h"
#include "WinReason.h"
#include "WinSystemPorts.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <windows.h>

// Run under Wine by the Windows checks, with COM1 the Linux simulated reader's pseudo-terminal.
namespace {

// Wine gives a COM number the prefix does not name to the machine's serial devices, one of which
// may be its console: COM ports are opened only when the checks say they named COM1 to COM16.
bool com1_present()
{
    return qgetenv("NOVARD_WINDOWS_COM1") == "simulated";
}

struct Recorder final : LineObserver {
    void opened(const QString& device) override { events += "open " + device; }
    void closed(const QString& device) override { events += "close " + device; }
    void written(QByteArrayView bytes) override { sent += bytes; }
    void received(QByteArrayView bytes) override { got += bytes; }
    QStringList events;
    QByteArray sent, got;
};

class WindowsLine : public testing::Test {
protected:
    void SetUp() override
    {
        if (!com1_present())
            GTEST_SKIP()
                << "COM1 is not linked to the simulated reader (NOVARD_WINDOWS_COM1=simulated)";
        map.set_system_ports(make_system_ports());
        map.renumber();
        control = make_serial_control(map);
        control->set_rthreshold(1);
        control->set_observer(&recorder);
        QObject::connect(control.get(), &SerialControl::OnComm, control.get(), [this] {
            if (control->comm_event() == SerialControl::CommEvent::receive)
                received += control->input();
        });
    }

    PortMap map;
    std::unique_ptr<SerialControl> control;
    Recorder recorder;
    QByteArray received;
};

TEST_F(WindowsLine, ListsTheSystemsPortsAndReadsACardThroughTheNotifications)
{
    EXPECT_TRUE(map.listing().startsWith(QStringLiteral("COM1 COM1"))) << qPrintable(map.listing());
    EXPECT_FALSE(map.listing().contains(QStringLiteral("COM99")));
    control->set_comm_port(1);
    ASSERT_TRUE(control->open_port());
    const QByteArray frame("\x02R04;730914\x03");
    ASSERT_TRUE(control->output(frame));
    // ACK CR at once, then the blank block's 16 spaces and CR once the card is presented.
    const QByteArray answer = QByteArray("\x06\x0D") + QByteArray(16, ' ') + '\x0D';
    ASSERT_TRUE(wait_for([&] { return received.size() >= answer.size(); }))
        << received.toHex(' ').constData();
    EXPECT_EQ(received, answer);
    EXPECT_EQ(control->bytes_unsent(), 0);
    control->close_port();
    EXPECT_FALSE(control->port_open());
    EXPECT_EQ(recorder.sent, frame);
    EXPECT_EQ(recorder.got, answer);
    EXPECT_EQ(recorder.events, QStringList({ "open COM1", "close COM1" }));
}

TEST_F(WindowsLine, AMissingPortIsNoSuchPortAndAMappedPathOpensAsGiven)
{
    struct Row {
        const char* name;
        int port;
        const char* mapped; // nullptr: the system's own COMn
        bool opens;
    };
    const Row rows[] = {
        { "a port Windows does not have", 9, "COM99", false },
        { "a device path as given", 3, R"(\\.\COM1)", true },
        { "another name of the system's port", 4, "com1", true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PortMap own = map;
        if (row.mapped)
            own.map_port(row.port, QString::fromLatin1(row.mapped));
        const std::unique_ptr<SerialControl> line = make_serial_control(own);
        line->set_comm_port(row.port);
        const CommResult result = line->open_port();
        EXPECT_EQ(result.ok(), row.opens) << qPrintable(result.detail());
        if (!row.opens) {
            EXPECT_EQ(result.kind(), CommResult::Kind::other);
            EXPECT_EQ(result.detail(),
                QString::fromLatin1(row.mapped) + ": " + windows_reason(ERROR_FILE_NOT_FOUND));
            EXPECT_EQ(line->output("R").reason(), SerialControl::not_open_reason());
        }
    }
}

TEST_F(WindowsLine, APortHeldByAnotherIsBusy)
{
    control->set_comm_port(1);
    ASSERT_TRUE(control->open_port());
    const std::unique_ptr<SerialControl> second = make_serial_control(map);
    second->set_comm_port(1);
    const CommResult result = second->open_port();
    if (result)
        GTEST_SKIP() << "a second handle opened COM1, as Wine allows and Windows does not";
    EXPECT_EQ(result.kind(), CommResult::Kind::busy) << qPrintable(result.detail());
}

TEST(WindowsPortNames, DescriptionAndIdentityFromWhatTheDeviceInstallerSays)
{
    struct Row {
        const char* name;
        const char* given;
        const char* expected;
    };
    const Row descriptions[] = {
        { "friendly name with its port", "USB Serial Port (COM3)", "USB Serial Port" },
        { "another port's name stays", "Modem (COM4)", "Modem (COM4)" },
        { "no port name", "Communications Port", "Communications Port" },
    };
    for (const Row& row : descriptions)
        EXPECT_EQ(WinSystemPorts::description(QString::fromLatin1(row.given), "COM3"),
            QString::fromLatin1(row.expected))
            << row.name;
    const Row identities[] = {
        { "USB adapter", R"(USB\VID_0403&PID_6001\A50285BI)", R"(USB\VID_0403&PID_6001\A50285BI)" },
        { "FTDI's own bus", R"(FTDIBUS\VID_0403+PID_6001+A50285BIA\0000)",
            R"(FTDIBUS\VID_0403+PID_6001+A50285BIA\0000)" },
        { "built-in UART", R"(ACPI\PNP0501\1)", "" },
    };
    for (const Row& row : identities)
        EXPECT_EQ(WinSystemPorts::usb_identity(QString::fromLatin1(row.given)),
            QString::fromLatin1(row.expected))
            << row.name;
}

} // namespace
