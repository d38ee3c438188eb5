// The tool end to end: the real window (offscreen) on the real serial control, over the
// pseudo-terminal of the simulated card reader running as a child process. The window is driven
// through its controls by name, as an operator drives it by their places.

#include "CardCommands.h"
#include "MainWindow.h"
#include "PortMap.h"
#include "QtPrinters.h"
#include "QtSerialControl.h"
#include "RecordingDesktop.h"
#include "SimulatorProcess.h"
#include "WindowControls.h"

#include <QTest>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A card delay and a few bytes at 9600 baud take about a tenth of this; it is only reached when
// an answer never comes, and leaves room for a loaded machine and the sanitizers.
constexpr int answer_timeout_ms = 5000;

const QString ack_cr = QStringLiteral("[ACK][CR]");
const QString cr = QStringLiteral("[CR]");
const QString blank_read = ack_cr + QString(16, u' ') + cr;
const QString read_sent = QStringLiteral("읽기 명령 전송 완료 -> 카드를 대어 주세요");
const QString read_done = QStringLiteral("카드 읽기 완료");

qint64 thread_cpu_ms()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

class WindowOnSimulator : public testing::Test, public WindowControls {
protected:
    // A short card delay, so that a command takes a tenth of a second rather than most of one.
    explicit WindowOnSimulator(
        const QStringList& options = { QStringLiteral("--delay"), QStringLiteral("60") })
        : sim_(options)
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(sim_.ready()) << sim_.process().readAllStandardError().toStdString();
        PortMap map;
        map.set_port_dir(sim_.folder());
        line_ = std::make_unique<QtSerialControl>(map);
        window_ = std::make_unique<MainWindow>(*line_, desktop_);
        attach(window_.get());
        // Connected after the window's own handler, so each sample sees what that batch showed.
        QObject::connect(line_.get(), &SerialControl::OnComm, window_.get(), [this] {
            if (statuses_.isEmpty() || statuses_.back() != text("Label1"))
                statuses_.append(text("Label1"));
        });
        window_->load();
        window_->show();
        ASSERT_TRUE(line_->port_open()) << text("Label").toStdString();
    }

    QString log() const { return window_->log_text(); }
    void set_address(const QString& address)
    {
        get<QComboBox>("read_address")->setEditText(address);
    }

    void press(const char* button)
    {
        // Label1 keeps the previous command's last message until this one's first arrives.
        statuses_ = QStringList { text("Label1") };
        get<QPushButton>(button)->click();
    }
    // The messages Label1 showed since the last press, in order, as each batch left it. Two steps
    // that arrive in one batch show as the last of them only.
    QStringList statuses() const { return statuses_.mid(1); }
    // Waits for the command pressed last to end, its progress back to idle, and gives the message
    // it ended with. Label1 alone cannot tell: it may hold the same message from the command
    // before.
    QString answer()
    {
        if (!QTest::qWaitFor(
                [&] { return window_->commands().cmd_state().isEmpty(); }, answer_timeout_ms))
            return QStringLiteral("(no end; Label1 went %1)").arg(statuses().join(u" | "));
        return text("Label1");
    }
    // Reads the block: the log once the read is done, else the message it ended with.
    QString read_back(const QString& address)
    {
        set_address(address);
        press("cmd_read");
        const QString ended = answer();
        return ended == read_done ? log() : ended;
    }

    // Declared in the order they are needed: the window goes first, the simulator last.
    SimulatorProcess sim_;
    RecordingDesktop desktop_;
    std::unique_ptr<QtSerialControl> line_;
    std::unique_ptr<MainWindow> window_;
    QStringList statuses_;
};

// The card is presented only when the test says so: the accepted answer and the card's answer are
// apart for certain, and a command can be left waiting for the card.
class WindowOnManualCard : public WindowOnSimulator {
protected:
    WindowOnManualCard()
        : WindowOnSimulator({ QStringLiteral("--manual") })
    {
    }
};

TEST_F(WindowOnManualCard, ReadShowsProgressInOrderAndAnUnpluggedReaderClosesThePortQuietly)
{
    press("cmd_read");
    EXPECT_EQ(text("Label"), QStringLiteral("[STX] R 04;730914 [ETX] 카드 읽기 입니다."));
    ASSERT_TRUE(QTest::qWaitFor([&] { return statuses().contains(read_sent); }, answer_timeout_ms))
        << testing::PrintToString(statuses());
    EXPECT_EQ(log(), ack_cr);

    sim_.press_enter();
    ASSERT_EQ(answer(), read_done);
    EXPECT_EQ(statuses(), (QStringList { read_sent, read_done }));
    EXPECT_EQ(log(), blank_read);

    press("cmd_read");
    ASSERT_TRUE(QTest::qWaitFor([&] { return statuses().contains(read_sent); }, answer_timeout_ms))
        << testing::PrintToString(statuses());

    // The reader vanishes while the command waits for the card, as an adapter pulled out does.
    sim_.process().kill();
    ASSERT_TRUE(sim_.process().waitForFinished(answer_timeout_ms));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !line_->port_open(); }, answer_timeout_ms));

    // A port left to a hung-up device would notify, or spin the event loop, without end.
    int notifications = 0;
    const QMetaObject::Connection counting
        = QObject::connect(line_.get(), &SerialControl::OnComm, [&] { ++notifications; });
    const qint64 cpu_before = thread_cpu_ms();
    QTest::qWait(300);
    const qint64 cpu_used = thread_cpu_ms() - cpu_before;
    QObject::disconnect(counting);
    EXPECT_LE(notifications, 3);
    EXPECT_LT(cpu_used, 100) << cpu_used << " ms of CPU in 300 ms";
    EXPECT_FALSE(line_->port_open());

    desktop_.messages.clear();
    press("cmd_read");
    ASSERT_EQ(desktop_.messages.size(), 1);
    const RecordingDesktop::Message& box = desktop_.messages.back();
    EXPECT_EQ(box.title, MainWindow::app_title());
    EXPECT_EQ(box.text, CardCommands::send_failed_message());
    EXPECT_TRUE(box.detail.contains(SerialControl::not_open_reason())) << box.detail.toStdString();
}

TEST_F(WindowOnSimulator, NewIssueOfTheTestPatternThenModifyReadBackAsWritten)
{
    set_address(QStringLiteral("09"));
    press("cmdeditwrtest");
    // Sixteen characters: they fill the block, so a read gives back exactly these.
    const QString pattern = text("txtwrdata");
    press("cmdwrite");
    ASSERT_EQ(answer(), QStringLiteral("카드 발행 완료"));
    EXPECT_TRUE(log().endsWith(ack_cr + cr)) << log().toStdString();
    EXPECT_EQ(read_back(QStringLiteral("09")), ack_cr + pattern + cr);

    const QString modified = QStringLiteral("NOVARD-2008-0215");
    get<QLineEdit>("txtwrdata")->setText(modified);
    press("cmdeditwrite");
    ASSERT_EQ(answer(), QStringLiteral("카드 수정 완료"));
    EXPECT_EQ(read_back(QStringLiteral("09")), ack_cr + modified + cr);
    EXPECT_EQ(read_back(QStringLiteral("04")), blank_read);
}

TEST_F(WindowOnSimulator, WrongKeyAAndRefusedFrameAreReportedAndNothingIsWritten)
{
    get<QLineEdit>("read_secret")->setText(QStringLiteral("123456"));
    press("cmd_read");
    ASSERT_EQ(answer(), QStringLiteral("읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)"));
    EXPECT_EQ(log(), ack_cr + QStringLiteral("[CAN]") + cr);
    press("cmdeditwrtest");
    press("cmdwrite");
    ASSERT_EQ(answer(), QStringLiteral("발행 에러"));

    get<QLineEdit>("read_secret")->setText(MainWindow::default_key());
    // Block 3 is the first sector's trailer, which the commands cannot reach.
    set_address(QStringLiteral("03"));
    press("cmd_read");
    ASSERT_EQ(answer(), QStringLiteral("읽기 명령 에러"));
    EXPECT_EQ(log(), QStringLiteral("[NAK]") + cr);
    EXPECT_EQ(read_back(QStringLiteral("04")), blank_read);
}

TEST_F(WindowOnSimulator, PortSearchListsOnlyTheReaderAndItsEntryReopensIt)
{
    press("cmd_port_search");
    ASSERT_EQ(port_list(), QStringList { QStringLiteral("COM1") });

    // The search leaves no port open; choosing the listed entry opens the reader's port again.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    auto* list = get<QListWidget>("list_port");
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(text("txt_port"), QStringLiteral("COM1"));
    ASSERT_TRUE(line_->port_open()) << text("Label").toStdString();
    EXPECT_EQ(read_back(QStringLiteral("04")), blank_read);
}

} // namespace
