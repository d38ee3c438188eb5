// The tool end to end: the real window (offscreen) on the real serial control, over the
// pseudo-terminal of the simulated card reader running as a child process. The window is driven
// through its controls by name, as an operator drives it by their places.

#include "CardCommands.h"
#include "MainWindow.h"
#include "PortMap.h"
#include "QtPrinters.h"
#include "QtSerialControl.h"
#include "RecordingDesktop.h"
#include "SerialControl.h"
#include "SimulatorProcess.h"
#include "WindowControls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <chrono>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace std::chrono_literals;

// Short, so that a command takes a tenth of a second rather than most of one.
constexpr int card_delay_ms = 60;
// A card delay and a few bytes at 9600 baud take about a tenth of this; it is only reached when
// an answer never comes, and leaves room for a loaded machine and the sanitizers.
constexpr int answer_timeout_ms = 5000;

const QString ack_cr = QStringLiteral("[ACK][CR]");
const QString cr = QStringLiteral("[CR]");
const QString blank_block(16, u' ');

const QString read_sent = QStringLiteral("읽기 명령 전송 완료 -> 카드를 대어 주세요");
const QString read_done = QStringLiteral("카드 읽기 완료");
const QString read_refused = QStringLiteral("읽기 명령 에러");
const QString read_key_error
    = QStringLiteral("읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)");
const QString issue_done = QStringLiteral("카드 발행 완료");
const QString issue_error = QStringLiteral("발행 에러");
const QString modify_done = QStringLiteral("카드 수정 완료");

std::chrono::nanoseconds thread_cpu_time()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

class WindowOnSimulator : public testing::Test, public WindowControls {
protected:
    virtual QStringList simulator_options() const
    {
        return { QStringLiteral("--delay"), QString::number(card_delay_ms) };
    }

    void SetUp() override
    {
        sim_ = std::make_unique<SimulatorProcess>(simulator_options());
        ASSERT_TRUE(sim_->ready()) << sim_->process().readAllStandardError().toStdString();
        PortMap map;
        map.set_port_dir(sim_->folder());
        line_ = std::make_unique<QtSerialControl>(map);
        window_ = std::make_unique<MainWindow>(*line_, desktop_);
        attach(window_.get());
        // Connected after the window's own handler, so each sample sees what that batch showed.
        QObject::connect(
            line_.get(), &SerialControl::OnComm, window_.get(), [this] { sample_status(); });
        window_->load();
        window_->show();
        ASSERT_TRUE(line_->port_open()) << text("Label").toStdString();
    }

    QString log() const { return text("txtrecv"); }

    void set_address(const QString& address)
    {
        get<QComboBox>("read_address")->setEditText(address);
    }
    void set_key(const QString& key) { get<QLineEdit>("read_secret")->setText(key); }
    void set_data(const QString& data) { get<QLineEdit>("txtwrdata")->setText(data); }

    void press(const char* button)
    {
        // Label1 keeps the previous command's last message until this one's first arrives.
        statuses_ = QStringList { text("Label1") };
        get<QPushButton>(button)->click();
    }
    // The messages Label1 showed since the last press, in order, as each batch left it. Two steps
    // that arrive in one batch show as the last of them only.
    QStringList statuses() const { return statuses_.mid(1); }
    bool wait_for_status(const QString& message)
    {
        return QTest::qWaitFor([&] { return statuses().contains(message); }, answer_timeout_ms);
    }
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

    // The block's contents as a read of it shows them in the log, between ACK CR and the final CR.
    QString read_back(const QString& address)
    {
        set_address(address);
        press("cmd_read");
        if (const QString ended = answer(); ended != read_done)
            return QStringLiteral("(read ended with \"%1\")").arg(ended);
        const QString shown = log();
        if (!shown.startsWith(ack_cr) || !shown.endsWith(cr))
            return QStringLiteral("(log \"%1\")").arg(shown);
        return shown.sliced(ack_cr.size(), shown.size() - ack_cr.size() - cr.size());
    }

    // Declared in the order they are needed: the window goes first, the simulator last.
    std::unique_ptr<SimulatorProcess> sim_;
    RecordingDesktop desktop_;
    std::unique_ptr<QtSerialControl> line_;
    std::unique_ptr<MainWindow> window_;

private:
    void sample_status()
    {
        const QString now = text("Label1");
        if (statuses_.isEmpty() || statuses_.back() != now)
            statuses_.append(now);
    }

    QStringList statuses_;
};

// The card is presented only when the test says so: the accepted answer and the card's answer are
// apart for certain, and a command can be left waiting for the card.
class WindowOnManualCard : public WindowOnSimulator {
protected:
    QStringList simulator_options() const override { return { QStringLiteral("--manual") }; }
};

TEST_F(WindowOnManualCard, ReadShowsTheAcceptanceThenTheBlockWithProgressInOrder)
{
    press("cmd_read");
    EXPECT_EQ(text("Label"), QStringLiteral("[STX] R 04;730914 [ETX] 카드 읽기 입니다."));
    ASSERT_TRUE(wait_for_status(read_sent)) << testing::PrintToString(statuses());
    EXPECT_EQ(log(), ack_cr);

    sim_->press_enter();
    ASSERT_EQ(answer(), read_done);
    EXPECT_EQ(statuses(), (QStringList { read_sent, read_done }));
    EXPECT_EQ(log(), ack_cr + blank_block + cr);
}

TEST_F(WindowOnSimulator, NewIssueOfTheTestPatternReadsBackAsWritten)
{
    set_address(QStringLiteral("09"));
    press("cmdeditwrtest");
    const QString written = text("txtwrdata");
    // Sixteen characters fill the block, so what is read back is exactly what was written.
    ASSERT_EQ(written.size(), 16);

    press("cmdwrite");
    ASSERT_EQ(answer(), issue_done);
    EXPECT_TRUE(log().endsWith(ack_cr + cr)) << log().toStdString();

    EXPECT_EQ(read_back(QStringLiteral("09")), written);
    // The issue went to its own block only.
    EXPECT_EQ(read_back(QStringLiteral("04")), blank_block);
}

TEST_F(WindowOnSimulator, ModifyIssueReplacesWhatWasIssued)
{
    set_address(QStringLiteral("13"));
    press("cmdeditwrtest");
    press("cmdwrite");
    ASSERT_EQ(answer(), issue_done);

    const QString modified = QStringLiteral("NOVARD-2008-0215");
    set_data(modified);
    press("cmdeditwrite");
    ASSERT_EQ(answer(), modify_done);

    EXPECT_EQ(read_back(QStringLiteral("13")), modified);
}

TEST_F(WindowOnSimulator, WrongKeyAIsReportedForReadAndIssueAndNothingIsWritten)
{
    set_key(QStringLiteral("123456"));
    press("cmd_read");
    ASSERT_EQ(answer(), read_key_error);
    EXPECT_EQ(log(), ack_cr + QStringLiteral("[CAN]") + cr);

    press("cmdeditwrtest");
    press("cmdwrite");
    ASSERT_EQ(answer(), issue_error);

    set_key(MainWindow::default_key());
    EXPECT_EQ(read_back(QStringLiteral("04")), blank_block);
}

TEST_F(WindowOnSimulator, RefusedFrameIsReportedAndTheNextCommandWorks)
{
    // Block 3 is the first sector's trailer, which the commands cannot reach.
    set_address(QStringLiteral("03"));
    press("cmd_read");
    ASSERT_EQ(answer(), read_refused);
    EXPECT_EQ(log(), QStringLiteral("[NAK]") + cr);

    EXPECT_EQ(read_back(QStringLiteral("04")), blank_block);
}

TEST_F(WindowOnManualCard, UnpluggedReaderClosesThePortQuietlyAndTheNextSendSaysSo)
{
    press("cmd_read");
    ASSERT_TRUE(wait_for_status(read_sent)) << testing::PrintToString(statuses());

    // The reader vanishes while the command waits for the card, as an adapter pulled out does.
    sim_->process().kill();
    ASSERT_TRUE(sim_->process().waitForFinished(answer_timeout_ms));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !line_->port_open(); }, answer_timeout_ms));

    // A port left to a hung-up device would notify, or spin the event loop, without end.
    int notifications = 0;
    const QMetaObject::Connection counting
        = QObject::connect(line_.get(), &SerialControl::OnComm, [&] { ++notifications; });
    const std::chrono::nanoseconds cpu_before = thread_cpu_time();
    QTest::qWait(300);
    const std::chrono::nanoseconds cpu_used = thread_cpu_time() - cpu_before;
    QObject::disconnect(counting);
    EXPECT_LE(notifications, 3);
    EXPECT_LT(cpu_used, 100ms)
        << std::chrono::duration_cast<std::chrono::milliseconds>(cpu_used).count()
        << " ms of CPU in 300 ms";
    EXPECT_FALSE(line_->port_open());

    const qsizetype boxes_before = desktop_.messages.size();
    press("cmd_read");
    ASSERT_EQ(desktop_.messages.size(), boxes_before + 1);
    const RecordingDesktop::Message& box = desktop_.messages.back();
    EXPECT_EQ(box.title, MainWindow::app_title());
    EXPECT_EQ(box.text, CardCommands::send_failed_message());
    EXPECT_TRUE(box.detail.contains(SerialControl::not_open_reason())) << box.detail.toStdString();
}

TEST_F(WindowOnSimulator, PortSearchListsOnlyTheReaderAndItsEntryReopensIt)
{
    EXPECT_EQ(port_list(), QStringList { QStringLiteral("COM1") });
    EXPECT_EQ(text("txt_port"), QStringLiteral("COM1"));
    EXPECT_TRUE(get<QRadioButton>("Optcom1")->isChecked());

    press("cmd_port_search");
    EXPECT_EQ(port_list(), QStringList { QStringLiteral("COM1") });

    // The search leaves no port open; choosing the listed entry opens the reader's port again.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    auto* list = get<QListWidget>("list_port");
    ASSERT_EQ(list->count(), 1);
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(text("txt_port"), QStringLiteral("COM1"));
    ASSERT_TRUE(line_->port_open()) << text("Label").toStdString();
    EXPECT_EQ(read_back(QStringLiteral("04")), blank_block);
}

} // namespace
