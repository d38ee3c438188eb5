#include "Pty.h"
#include "QtPrinters.h"
#include "QtSerialControl.h"
#include "RecordingPortPanel.h"

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
    std::unique_ptr<QtSerialControl> line;
    std::unique_ptr<RecordingPortPanel> panel;

    void SetUp() override
    {
        ASSERT_TRUE(com1.valid() && com3.valid() && com5.valid());
        PortMap map;
        map.set_port_dir(nowhere.path());
        map.map_port(1, com1.device_path());
        map.map_port(3, com3.device_path());
        map.map_port(5, com5.device_path());
        line = std::make_unique<QtSerialControl>(map);
        panel = std::make_unique<RecordingPortPanel>(*line);
    }

    // What the tool writes now arrives on exactly one of the pseudo-terminals.
    void expect_line_on(Pty& expected, const char* probe)
    {
        ASSERT_TRUE(line->output(QString::fromLatin1(probe)).ok());
        QTest::qWait(20);
        for (Pty* pty : { &com1, &com3, &com5 }) {
            const QByteArray got = pty->read_available(pty == &expected ? 1000 : 0);
            EXPECT_EQ(got, pty == &expected ? QByteArray(probe) : QByteArray())
                << pty->device_path().toStdString();
        }
    }
};

TEST_F(RealPortsTest, TheSearchListsThePseudoTerminalsAndLeavesThemClosed)
{
    panel->ops.search_ports();
    EXPECT_EQ(panel->list, QStringList({ "COM1", "COM3", "COM5" }));
    EXPECT_FALSE(line->port_open());
    EXPECT_EQ(line->comm_port(), 16);
}

TEST_F(RealPortsTest, ASearchWithComOneOpenListsIt)
{
    ASSERT_TRUE(panel->ops.open_default_port().ok());
    panel->ops.search_ports();
    EXPECT_EQ(panel->list, QStringList({ "COM1", "COM3", "COM5" }));
    EXPECT_FALSE(line->port_open());
}

TEST_F(RealPortsTest, SwitchingMovesTheLineFromOneDeviceToTheOther)
{
    ASSERT_TRUE(panel->ops.open_default_port().ok());
    expect_line_on(com1, "one");

    panel->click_option(3);
    EXPECT_TRUE(panel->messages.isEmpty());
    EXPECT_EQ(panel->label, "COM3 PORT ON");
    expect_line_on(com3, "three");

    // Bytes from the old device no longer reach the tool; those from the new one do.
    int notifications = 0;
    QObject::connect(line.get(), &SerialControl::OnComm, [&] {
        ++notifications;
        (void)line->input();
    });
    com1.write("x");
    QTest::qWait(50);
    EXPECT_EQ(notifications, 0);
    com3.write("y");
    EXPECT_TRUE(QTest::qWaitFor([&] { return notifications == 1; }, 2000));
}

TEST_F(RealPortsTest, AMissingDeviceNamesItsPathAndFallsBackToComOne)
{
    ASSERT_TRUE(panel->ops.open_default_port().ok());
    panel->click_option(2);
    ASSERT_EQ(panel->messages.size(), 1);
    EXPECT_EQ(panel->messages[0].text, "존제 하지 않는 통신포트 입니다.");
    EXPECT_EQ(panel->messages[0].detail, nowhere.filePath("COM2") + ": No such file or directory");
    EXPECT_EQ(line->comm_port(), 1);
    EXPECT_EQ(panel->label, "9600,n,8,1");
    expect_line_on(com1, "back");
}

TEST_F(RealPortsTest, ABusyDeviceSaysSoAndFallsBackToComOne)
{
    QProcess holder;
    holder.start(QStringLiteral(SERIAL_HOLDER_PATH), { "lock", com3.device_path() });
    ASSERT_TRUE(holder.waitForReadyRead(5000));
    ASSERT_EQ(holder.readLine().trimmed(), "held");

    ASSERT_TRUE(panel->ops.open_default_port().ok());
    panel->type_port_text("COM3");

    ASSERT_EQ(panel->messages.size(), 1);
    const auto& box = panel->messages[0];
    EXPECT_EQ(box.text, "존제 하지 않는 통신포트 입니다.");
    EXPECT_TRUE(box.detail.startsWith(com3.device_path() + ": Device or resource busy"))
        << box.detail.toStdString();
    EXPECT_FALSE(box.port_open);
    EXPECT_EQ(box.label, "COM3 PORT ON");
    EXPECT_EQ(line->comm_port(), 1);
    EXPECT_TRUE(line->port_open());
    expect_line_on(com1, "fallback");

    holder.closeWriteChannel();
    holder.waitForFinished(5000);
}

} // namespace
