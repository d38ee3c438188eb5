// The tool end to end: the real window (offscreen) on the real serial control, over the
// pseudo-terminal of the simulated card reader running as a child process. The window is driven
// through its controls by name, as an operator drives it by their places.

#include "FakeSystemPorts.h"
#include "MainWindow.h"
#include "Pty.h"
#include "QtPrinters.h"
#include "QtSerialControl.h"
#include "RecordingDesktop.h"
#include "SimulatorProcess.h"
#include "WindowControls.h"
#include "WireTrace.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <memory>

namespace {

// A card delay and a few bytes at 9600 baud take about a tenth of this; it is only reached when
// an answer never comes, and leaves room for a loaded machine and the sanitizers.
constexpr int answer_timeout_ms = 5000;

const QString ack_cr = "[ACK][CR]";
const QString blank_read = ack_cr + QString(16, u' ') + "[CR]";
const QString read_sent = "읽기 명령 전송 완료 -> 카드를 대어 주세요";
// A short card delay, so that a command takes a tenth of a second rather than most of one.
const QStringList quick_card { "--delay", "60" };

class WindowOnSimulator : public testing::Test, public WindowControls {
protected:
    explicit WindowOnSimulator(const QStringList& options = quick_card)
        : sim_(options)
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(sim_.ready()) << sim_.process().readAllStandardError().toStdString();
        ASSERT_TRUE(trace_.open(QFile::encodeName(trace_path()))) << trace_.reason().toStdString();
        PortMap map;
        map.set_port_dir(sim_.folder());
        line_ = std::make_unique<QtSerialControl>(map);
        line_->set_observer(&trace_);
        window_ = std::make_unique<MainWindow>(*line_, desktop_);
        attach(window_.get());
        window_->load();
        window_->show();
        ASSERT_TRUE(line_->port_open()) << text("Label").toStdString();
    }

    QString trace_path() const { return folder_.filePath("wire.trace"); }
    bool label_becomes(const char* label, const QString& text)
    {
        return QTest::qWaitFor([&] { return this->text(label) == text; }, answer_timeout_ms);
    }
    // Presses the button and waits for the command to end, its progress back to idle; gives the
    // message it ended with, and for a read done the log. Label1 alone cannot tell: it may hold
    // the same message from the command before.
    QString run(const char* button)
    {
        press(button);
        if (!QTest::qWaitFor(
                [&] { return window_->commands().cmd_state().isEmpty(); }, answer_timeout_ms))
            return "(no end; Label1 shows " + text("Label1") + ")";
        return text("Label1") == "카드 읽기 완료" ? window_->log_text() : text("Label1");
    }
    QString read_back(const QString& address)
    {
        get<QComboBox>("read_address")->setEditText(address);
        return run("cmd_read");
    }

    // Declared in the order they are needed: the window goes first, the simulator last.
    SimulatorProcess sim_;
    QTemporaryDir folder_;
    WireTrace trace_;
    RecordingDesktop desktop_;
    std::unique_ptr<QtSerialControl> line_;
    std::unique_ptr<MainWindow> window_;
};

// The card is presented only when the test says so: the accepted answer and the card's answer are
// apart for certain, and a command can be left waiting for the card.
struct WindowOnManualCard : WindowOnSimulator {
    WindowOnManualCard()
        : WindowOnSimulator({ "--manual" })
    {
    }
};

TEST_F(WindowOnManualCard, ReadShowsProgressInOrderAndAnUnpluggedReaderIsToldAndRecovered)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    press("cmd_read");
    EXPECT_EQ(text("Label"), "[STX] R 04;730914 [ETX] 카드 읽기 입니다.");
    ASSERT_TRUE(label_becomes("Label1", read_sent));
    EXPECT_EQ(window_->log_text(), ack_cr);
    sim_.process().write("\n"); // presents the card
    ASSERT_TRUE(label_becomes("Label1", "카드 읽기 완료"));
    EXPECT_EQ(window_->log_text(), blank_read);

    press("cmd_read");
    ASSERT_TRUE(label_becomes("Label1", read_sent));
    // The reader vanishes while the command waits for the card, as an adapter pulled out does.
    sim_.process().kill();
    ASSERT_TRUE(sim_.process().waitForFinished(answer_timeout_ms));
    // As udev removes the node; the killed simulator leaves its link, whose pseudo-terminal
    // number the next one may be given.
    ASSERT_TRUE(QFile::remove(sim_.link_path()));
    const QString lost = PortOperations::lost_message(1);
    ASSERT_TRUE(label_becomes("Label", lost)) << text("Label").toStdString();
    press("cmd_read");
    EXPECT_EQ(desktop_.boxes, QStringList { CardCommands::no_port_message() });

    // A click on the ticked COM1 while the reader is still missing: the box, then the port stays
    // lost, so that a click once it is back opens it.
    QTest::mouseClick(option(1), Qt::LeftButton);
    EXPECT_EQ(desktop_.boxes.value(1),
        PortOperations::not_found_message() + " | " + sim_.link_path()
            + ": No such file or directory");
    EXPECT_TRUE(text("Label").startsWith("COM1 포트를 열 수 없습니다: "));
    // A reader is plugged in at the same path. A pseudo-terminal has no identity that could tell
    // it from another program's, so the tool leaves it closed until the operator chooses it.
    auto plugged = std::make_unique<SimulatorProcess>(quick_card, sim_.link_path());
    ASSERT_TRUE(plugged->ready());
    QTest::qWait(1200);
    EXPECT_FALSE(line_->port_open());
    QTest::mouseClick(option(1), Qt::LeftButton);
    EXPECT_EQ(text("Label"), "COM1 PORT ON");
    EXPECT_EQ(read_back("04"), blank_read);

    // Had the demo started the reader, there is nothing to plug in: the simulator stopped.
    line_->set_simulated_port(1);
    ASSERT_TRUE(plugged->stop());
    ASSERT_TRUE(label_becomes("Label", PortOperations::lost_message(1, true)))
        << text("Label").toStdString();
    EXPECT_NE(PortOperations::lost_message(1, true), lost);
}

TEST_F(WindowOnSimulator, TypedFieldsGoOutExactlyCardsReadBackAsWrittenAndTheTraceHoldsEveryByte)
{
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    type_into("read_address", "1");
    QLineEdit* address = get<QComboBox>("read_address")->lineEdit();
    ASSERT_TRUE(address->hasFocus()) << "the click gave the box the focus";
    QTest::mouseClick(get<QPushButton>("cmd_read"), Qt::LeftButton);
    ASSERT_TRUE(label_becomes("Label1", "카드 읽기 완료"));
    // Choosing an entry of the list still fills the box.
    QTest::keyClick(address, Qt::Key_Down);
    EXPECT_EQ(text("read_address"), "05");

    // Sixteen characters fill the block, so a read gives back exactly these.
    get<QComboBox>("read_address")->setEditText("09");
    press("cmdeditwrtest");
    EXPECT_EQ(run("cmdwrite"), "카드 발행 완료");
    EXPECT_EQ(read_back("09"), ack_cr + text("txtwrdata") + "[CR]");
    type_into("txtwrdata", "NOVARD-2008-0215");
    EXPECT_EQ(run("cmdeditwrite"), "카드 수정 완료");
    EXPECT_EQ(read_back("09"), ack_cr + "NOVARD-2008-0215[CR]");
    EXPECT_EQ(read_back("04"), blank_read);
    window_->close();

    QFile file(trace_path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QRegularExpression stamped(
        R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (open |close|lost |sent |recv ) )");
    QStringList entries, received;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        ASSERT_TRUE(stamped.match(line).hasMatch()) << line.toStdString();
        if (line.mid(24).startsWith(u"recv "))
            received.append(line.mid(30).section("  ", 0, 0));
        else
            entries.append(line.mid(24));
    }
    // The search's probe, then the default opening; the first read's frame and its answer.
    const QString device = sim_.link_path();
    EXPECT_EQ(entries.mid(0, 6),
        QStringList({ "open  " + device, "close " + device, "open  " + device, "sent  02  [STX]",
            "sent  52 31 3B 37 33 30 39 31 34  R1;730914", "sent  03  [ETX]" }));
    EXPECT_EQ(entries.value(entries.size() - 1), "close " + device);
    EXPECT_TRUE(received.join(u' ').startsWith(
        QByteArray("\x06\r" + QByteArray(16, ' ') + "\r").toHex(' ').toUpper()));
}

// The system's list is a fake naming links to pseudo-terminals, as udev names adapters, and names
// that lead nowhere: USB adapters and modems come first, each group in natural order.
TEST(SystemPortNumbering, IsTakenAnewAtASearchAndHoldsInBetween)
{
    Pty adapter, console, modem;
    QTemporaryDir dev;
    const auto plug = [&](const char* name, const Pty& pty) {
        EXPECT_TRUE(QFile::link(pty.device_path(), dev.filePath(name)));
        return SystemPorts::Port { dev.filePath(name), QString(), QString() };
    };
    auto system = std::make_shared<FakeSystemPorts>();
    system->list = { { dev.filePath("ttyS1"), "", "" }, plug("ttyS0", console),
        { dev.filePath("ttyUSB10"), "", "" }, { dev.filePath("ttyAMA0"), "", "" },
        { dev.filePath("ttyUSB2"), "FT232R USB UART", "" }, plug("ttyUSB0", adapter) };
    PortMap map;
    map.set_system_ports(system);
    QtSerialControl line { map };
    map.renumber();
    EXPECT_EQ(map.listing(),
        QString("COM1 %1/ttyUSB0\nCOM2 %1/ttyUSB2 FT232R USB UART\nCOM3 %1/ttyUSB10\nCOM4 "
                "%1/ttyAMA0\nCOM5 %1/ttyS0\nCOM6 %1/ttyS1\n")
            .arg(dev.path()));
    RecordingDesktop desktop;
    MainWindow window(line, desktop);
    WindowControls controls;
    controls.attach(&window);
    window.load();
    EXPECT_EQ(controls.port_list(), QStringList({ "COM1", "COM5" }));
    EXPECT_EQ(controls.option(1)->toolTip(), dev.filePath("ttyUSB0"));
    EXPECT_EQ(controls.get<QListWidget>("list_port")->item(1)->toolTip(), dev.filePath("ttyS0"));
    EXPECT_TRUE(line.port_open());

    // The adapter is pulled out and a modem plugged in: the numbers hold until the next search.
    ASSERT_TRUE(QFile::remove(dev.filePath("ttyUSB0")));
    system->list.back() = plug("ttyACM0", modem);
    EXPECT_EQ(line.device_for(1), dev.filePath("ttyUSB0"));
    controls.press("cmd_port_search");
    EXPECT_EQ(controls.port_list(), QStringList({ "COM1", "COM5" }));
    EXPECT_EQ(controls.option(1)->toolTip(), dev.filePath("ttyACM0"));
    EXPECT_EQ(line.device_for(7), "") << "no device has that number";
}

// The reader as a USB adapter the system's list names, with its identity; the simulated reader's
// pseudo-terminal behind the node.
TEST(PulledReader, ComesBackByItsIdentityOnlyAndKeepsItsNumberUnderAnotherNode)
{
    QTemporaryDir dev;
    const auto node = [&](const char* name) { return dev.filePath(name); };
    const QString reader_id = "0403:6001 serial READER1";
    auto system = std::make_shared<FakeSystemPorts>();
    system->list = { { node("ttyUSB0"), "FT232R USB UART", reader_id } };
    auto reader = std::make_unique<SimulatorProcess>(quick_card, node("ttyUSB0"));
    ASSERT_TRUE(reader->ready());
    PortMap map;
    map.set_system_ports(system);
    QtSerialControl line { map };
    RecordingDesktop desktop;
    MainWindow window(line, desktop);
    WindowControls controls;
    controls.attach(&window);
    window.load();
    ASSERT_TRUE(line.port_open());
    const auto label_becomes = [&](const QString& text) {
        return QTest::qWaitFor([&] { return controls.text("Label") == text; }, answer_timeout_ms);
    };

    // Pulled out; the operator clicks the ticked COM1 while it is missing and presses OK.
    ASSERT_TRUE(reader->stop());
    system->list.clear();
    ASSERT_TRUE(label_becomes(PortOperations::lost_message(1)));
    QTest::mouseClick(controls.option(1), Qt::LeftButton);
    ASSERT_EQ(desktop.boxes.size(), 1);

    // Another adapter takes the node: left closed, and a click does not open it either.
    Pty other;
    system->list = { { node("ttyUSB0"), "CP2102", "10c4:ea60 serial OTHER9" } };
    ASSERT_TRUE(QFile::link(other.device_path(), node("ttyUSB0")));
    ASSERT_TRUE(label_becomes(PortOperations::other_device_message(1)));
    QTest::mouseClick(controls.option(1), Qt::LeftButton);
    EXPECT_EQ(desktop.boxes.value(1),
        PortOperations::not_found_message() + " | " + node("ttyUSB0")
            + ": No such device — 리더가 아닌 다른 장치가 연결되어 있습니다");
    EXPECT_FALSE(line.port_open());

    // The reader comes back as ttyUSB1: opened by itself, still COM1.
    system->list.append({ node("ttyUSB1"), "FT232R USB UART", reader_id });
    reader = std::make_unique<SimulatorProcess>(quick_card, node("ttyUSB1"));
    ASSERT_TRUE(reader->ready());
    ASSERT_TRUE(label_becomes("COM1 PORT ON"));
    EXPECT_EQ(controls.option(1)->toolTip(), node("ttyUSB1"));
    controls.press("cmd_read");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return controls.text("Label1") == "카드 읽기 완료"; }, answer_timeout_ms));
    EXPECT_EQ(other.read(1, 100), QByteArray()) << "nothing ever reached the other adapter";

    // Pulled again and back as ttyUSB2: the operator's click finds it before the tool does by
    // itself (no event is handled between the two), and the tooltip follows there too.
    ASSERT_TRUE(reader->stop());
    system->list.removeLast();
    ASSERT_TRUE(label_becomes(PortOperations::lost_message(1)));
    system->list.append({ node("ttyUSB2"), "FT232R USB UART", reader_id });
    reader = std::make_unique<SimulatorProcess>(quick_card, node("ttyUSB2"));
    ASSERT_TRUE(reader->ready());
    QTest::mouseClick(controls.option(1), Qt::LeftButton);
    EXPECT_EQ(controls.option(1)->toolTip(), node("ttyUSB2"));
    EXPECT_TRUE(line.port_open());
}

} // namespace
