#include "HangCeiling.h"
#include "Language.h"
#include "LineObserver.h"
#include "MainWindow.h"
#include "RecordingDesktop.h"
#include "SerialPlatform.h"
#include "SimulatedLine.h"
#include "WindowControls.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <windows.h>

// The window on Windows' own platform, pressed with mouse events as the operator presses it.
namespace {

struct Wire final : LineObserver {
    void opened(const QString&) override { }
    void closed(const QString&) override { }
    void written(QByteArrayView bytes) override { sent += bytes; }
    void received(QByteArrayView bytes) override { got += bytes; }
    QByteArray sent, got;
};

const QByteArray read_frame("\x02R04;730914\x03");

// The caption the system shows on the window's frame, as Windows has it.
QString system_caption(QWidget& window)
{
    wchar_t text[256] = {};
    GetWindowTextW(reinterpret_cast<HWND>(window.winId()), text, 256);
    return QString::fromWCharArray(text);
}

// Shows the window on line, presses 읽기 and waits for Label1 to tell the completed read; with
// picture, a picture of the window goes to NOVARD_WINDOWS_SHOT when that names a file.
void read_a_card(SerialControl& line, const Wire& wire, bool picture = false)
{
    RecordingDesktop desktop;
    MainWindow window(line, desktop);
    WindowControls rig;
    rig.attach(&window);
    window.load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, hang_ceiling_ms));
    EXPECT_EQ(system_caption(window), MainWindow::caption());
    EXPECT_EQ(rig.port_list().value(0), QStringLiteral("COM1"));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmd_read")), Qt::LeftButton);
    const QString done = QCoreApplication::translate("ReplyDecoder", "카드 읽기 완료");
    EXPECT_TRUE(wait_for([&] { return rig.text("Label1") == done; }))
        << qPrintable(rig.text("Label1"));
    EXPECT_EQ(wire.sent, read_frame);
    // ACK CR, then the block's 16 bytes (whatever the card holds) and CR once it is presented.
    EXPECT_EQ(wire.got.size(), 19) << wire.got.toHex(' ').constData();
    EXPECT_TRUE(wire.got.startsWith("\x06\x0D") && wire.got.endsWith('\x0D'));
    // The log box shows what it was given on its next frame.
    QTest::qWait(100);
    const QString shot = qEnvironmentVariable("NOVARD_WINDOWS_SHOT");
    if (picture && !shot.isEmpty()) {
        EXPECT_TRUE(window.grab().save(shot)) << qPrintable(shot);
    }
    window.close();
}

TEST(WindowOnWindows, ReadsACardOnCom1AtAClickOnTheReadButton)
{
    if (qgetenv("NOVARD_WINDOWS_COM1") != "simulated")
        GTEST_SKIP()
            << "COM1 is not linked to the simulated reader (NOVARD_WINDOWS_COM1=simulated)";
    PortMap map;
    map.set_system_ports(make_system_ports());
    map.renumber();
    const std::unique_ptr<SerialControl> line = make_serial_control(map);
    Wire wire;
    line->set_observer(&wire);
    read_a_card(*line, wire);
}

TEST(WindowOnWindows, ReadsACardFromTheProgramsOwnReaderAsWithDemo)
{
    SimulatedLine line;
    Wire wire;
    line.set_observer(&wire);
    // The README's picture: the window as novard-demo.exe --demo shows it after a read.
    read_a_card(line, wire, true);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    use_language(std::nullopt);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
