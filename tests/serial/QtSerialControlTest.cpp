#include "QtSerialControl.h"
#include "ChildProcess.h"
#include "Pty.h"
#include "QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cerrno>
#include <ctime>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <memory>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

namespace {

termios line_of(const Pty& pty)
{
    // Terminal attributes asked on the master side are those of the device side.
    termios attributes {};
    tcgetattr(pty.master_fd(), &attributes);
    return attributes;
}

// Turns the event loop only until the control has seen its device go: the close that follows the
// loss is then still pending.
bool turn_until_loss_seen(const SerialControl& control)
{
    for (int turn = 0; control.port_open() && turn < 3000; ++turn) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return !control.port_open();
}

void expect_failure(const CommResult& result, const QString& device, const QString& reason)
{
    EXPECT_FALSE(result);
    EXPECT_EQ(result.device(), device);
    EXPECT_EQ(result.reason(), reason);
}

// Another program holding a device (serial_holder), released when this goes out of scope.
struct Holder {
    Holder(const QString& mode, const QString& path)
    {
        die_with_test(process);
        process.start(QStringLiteral(SERIAL_HOLDER_PATH), { mode, path });
        process.waitForReadyRead(5000);
        answer = process.readLine().trimmed().toStdString();
    }
    ~Holder()
    {
        process.closeWriteChannel();
        process.waitForFinished(5000);
    }
    bool holding() const { return answer == "held"; }

    QProcess process;
    std::string answer;
};

// Puts CAP_SYS_ADMIN in or out of this thread's effective capabilities: root may open a terminal
// in exclusive mode, an ordinary user may not.
bool set_admin_rights(bool on)
{
    __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct data[2] {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    const __u32 admin = 1u << CAP_SYS_ADMIN;
    data[0].effective = on ? data[0].effective | admin : data[0].effective & ~admin;
    return ::syscall(SYS_capset, &header, data) == 0;
}

// Plays the window's part on OnComm: records every CommEvent and, while taking, takes the waiting
// bytes with one Input per data-received notification, as the reply decoder does.
struct LineWatcher {
    explicit LineWatcher(SerialControl& control)
    {
        QObject::connect(&control, &SerialControl::OnComm, &context, [this, &control] {
            events.append(control.comm_event());
            if (!taking || control.comm_event() != SerialControl::comEvReceive)
                return;
            const QByteArray batch = control.input();
            batch_sizes.append(batch.size());
            received += batch;
        });
    }
    bool wait_for_bytes(qsizetype count)
    {
        return QTest::qWaitFor([&] { return received.size() >= count; }, 3000);
    }

    QObject context; // ends the connection with the watcher
    bool taking = true;
    QList<int> events;
    QByteArray received;
    QList<qsizetype> batch_sizes;
};

// COM1 and COM2 are two pseudo-terminals; every other number lies in an empty temporary folder.
class SerialOnPty : public testing::Test {
protected:
    // The card reader's line settings (9600,n,8,1 being the default) on COM1.
    void SetUp() override
    {
        ASSERT_TRUE(first.valid() && second.valid() && folder.isValid());
        control.set_rthreshold(1);
        control.set_input_mode(SerialControl::comInputModeBinary);
    }

    PortMap make_map() const
    {
        PortMap map;
        map.set_port_dir(folder.path());
        map.map_port(1, first.device_path());
        map.map_port(2, second.device_path());
        return map;
    }

    void open_first()
    {
        const CommResult opened = control.open_port();
        ASSERT_TRUE(opened) << opened.detail().toStdString();
    }

    Pty first;
    Pty second;
    QTemporaryDir folder;
    QtSerialControl control { make_map() };
    LineWatcher watcher { control };
};

// Opening and the line settings

TEST_F(SerialOnPty, OpenPutsTheSettingsOnTheDevice)
{
    // A pseudo-terminal keeps 8 data bits and no parity whatever is asked, so the settings show
    // only through odd, mark and space parity, stop bits and speed. 1.5 stop bits are two on Linux.
    const struct {
        const char* text;
        speed_t speed;
        tcflag_t parity_kind;
        bool two_stop_bits;
    } cases[] = {
        { "9600,n,8,1", B9600, 0, false },
        { "19200,E,7,2", B19200, 0, true },
        { "1200,o,5,1.5", B1200, PARODD, true },
        { "4800,m,6,1", B4800, PARODD | CMSPAR, false },
        { "2400,s,8,2", B2400, CMSPAR, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        QtSerialControl fresh(make_map());
        ASSERT_TRUE(fresh.set_settings(QString::fromLatin1(c.text)));
        const CommResult opened = fresh.open_port();
        ASSERT_TRUE(opened) << opened.detail().toStdString();

        const termios line = line_of(first);
        EXPECT_EQ(cfgetospeed(&line), c.speed);
        EXPECT_EQ(cfgetispeed(&line), c.speed);
        EXPECT_EQ(line.c_cflag & (PARODD | CMSPAR), c.parity_kind);
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.two_stop_bits);
        EXPECT_EQ(line.c_cflag & CRTSCTS, 0u) << "no hardware flow control";
        EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u) << "no software flow control";
    }
}

TEST_F(SerialOnPty, SettingsPutWhileOpenApplyAtOnceAndRefusedOnesChangeNothing)
{
    open_first();
    ASSERT_TRUE(control.set_settings(QStringLiteral("19200,n,8,2")));
    termios line = line_of(first);
    EXPECT_EQ(cfgetospeed(&line), speed_t(B19200));
    EXPECT_NE(line.c_cflag & CSTOPB, 0u);

    // A pseudo-terminal cannot take parity.
    expect_failure(control.set_settings(QStringLiteral("9600,e,8,1")), first.device_path(),
        QStringLiteral("Invalid argument"));
    EXPECT_TRUE(control.port_open());
    EXPECT_EQ(control.settings(), QStringLiteral("19200,n,8,2"));
    line = line_of(first);
    EXPECT_EQ(cfgetospeed(&line), speed_t(B19200));
}

TEST_F(SerialOnPty, MissingDeviceIsRefusedWithItsPathAndOutputOnTheClosedPortToo)
{
    const QString device = QDir(folder.path()).filePath(QStringLiteral("COM3"));
    control.set_comm_port(3);
    expect_failure(control.open_port(), device, QStringLiteral("No such file or directory"));
    EXPECT_FALSE(control.port_open());
    expect_failure(control.output(QStringLiteral("R")), device, SerialControl::not_open_reason());
}

TEST_F(SerialOnPty, DeviceHeldByAnotherProgramIsRefusedAsBusyUntilReleased)
{
    // lock: opened with QSerialPort (a lock file under /var/lock and exclusive mode), as the serial
    // programs of this system do; exclusive: the terminal's exclusive mode alone.
    for (const QString& mode : { QStringLiteral("lock"), QStringLiteral("exclusive") }) {
        SCOPED_TRACE(mode.toStdString());
        {
            const Holder holder(mode, first.device_path());
            ASSERT_TRUE(holder.holding()) << holder.answer;
            const auto restore = qScopeGuard([] { set_admin_rights(true); });
            if (!set_admin_rights(false) && getuid() == 0)
                GTEST_SKIP() << "cannot set aside root's right to open an exclusive terminal";
            expect_failure(control.open_port(), first.device_path(),
                QStringLiteral("Device or resource busy"));
            EXPECT_FALSE(control.port_open());
        }
        QtSerialControl fresh(make_map());
        EXPECT_TRUE(fresh.open_port()) << "released by the other program, it opens";
    }
}

TEST_F(SerialOnPty, CommPortPutWhileOpenAppliesWhenPortOpenTrueReopens)
{
    open_first();
    control.set_comm_port(2);
    ASSERT_TRUE(control.output(QStringLiteral("A")));
    EXPECT_EQ(first.read(1), QByteArray("A")) << "still on COM1";

    ASSERT_TRUE(control.open_port());
    EXPECT_TRUE(control.port_open());
    ASSERT_TRUE(control.output(QStringLiteral("B")));
    EXPECT_EQ(second.read(1), QByteArray("B"));
    EXPECT_EQ(first.read_available(50), QByteArray());
    // The first device was let go: another program may have it now.
    const Holder holder(QStringLiteral("lock"), first.device_path());
    EXPECT_TRUE(holder.holding()) << holder.answer;
}

// Data on the line

TEST_F(SerialOnPty, OutputsGoOutInOrderAsUtf8)
{
    open_first();
    ASSERT_TRUE(control.output(QStringLiteral("\x02R04;\x7F")));
    ASSERT_TRUE(control.output(QStringLiteral("\u00E9카드\U0001F600\x03")));
    control.close_port();
    const QByteArray expected("\x02R04;\x7F\xC3\xA9\xEC\xB9\xB4\xEB\x93\x9C\xF0\x9F\x98\x80\x03");
    EXPECT_EQ(first.read(expected.size()), expected);
    EXPECT_EQ(first.read_available(50), QByteArray()) << "nothing more";
}

TEST_F(SerialOnPty, EveryByteValueArrivesUnchangedThroughDataReceived)
{
    open_first();
    QByteArray every_byte;
    for (int value = 0; value < 256; ++value)
        every_byte.append(char(value));
    first.write(every_byte);
    ASSERT_TRUE(watcher.wait_for_bytes(256));
    EXPECT_EQ(watcher.received, every_byte);
    EXPECT_EQ(watcher.events.value(0), int(SerialControl::comEvReceive));
    EXPECT_EQ(control.input(), QByteArray()) << "Input took them out of the buffer";
}

TEST_F(SerialOnPty, ThresholdZeroHoldsABacklogThatLaterArrivesInBatchesNoneLost)
{
    open_first();
    control.set_rthreshold(0);
    QByteArray sent;
    for (int chunk = 0; chunk < 25; ++chunk) {
        QByteArray bytes(4000, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((chunk * 7 + i) % 251);
        first.write(bytes);
        sent += bytes;
        QTest::qWait(5);
    }
    QTest::qWait(100);
    EXPECT_TRUE(watcher.events.isEmpty()) << "no notification at RThreshold 0";
    control.set_rthreshold(1);
    first.write("!");
    sent += '!';

    ASSERT_TRUE(watcher.wait_for_bytes(sent.size()));
    EXPECT_TRUE(watcher.received == sent) << "in order, none lost";
    for (const qsizetype size : watcher.batch_sizes)
        EXPECT_LE(size, SerialControl::max_batch_bytes);
    EXPECT_GE(watcher.batch_sizes.count(SerialControl::max_batch_bytes), 2);
}

TEST_F(SerialOnPty, HandlerThatTakesNothingIsNotCalledAgainUntilMoreBytesArrive)
{
    open_first();
    watcher.taking = false;
    first.write("AB");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watcher.events.isEmpty(); }, 3000));
    QTest::qWait(100);
    EXPECT_EQ(watcher.events.size(), 1);

    watcher.taking = true;
    first.write("C");
    ASSERT_TRUE(watcher.wait_for_bytes(3));
    EXPECT_EQ(watcher.received, QByteArray("ABC")) << "the waiting bytes were kept";
}

// The read notifier may wake with nothing to read on a busy line: the read returns zero bytes while
// errno still holds EAGAIN from an earlier call. Qt 6.4 takes that for a lost resource and stops
// reading; the control must keep receiving.
TEST_F(SerialOnPty, WakeupWithNothingToReadDoesNotStopReception)
{
    open_first();
    QSocketNotifier* read_notifier = nullptr;
    for (QSocketNotifier* notifier : control.findChildren<QSocketNotifier*>())
        if (notifier->type() == QSocketNotifier::Read)
            read_notifier = notifier;
    ASSERT_NE(read_notifier, nullptr) << "QSerialPort reads through a socket notifier";

    QEvent activation(QEvent::SockAct);
    errno = EAGAIN;
    QCoreApplication::sendEvent(read_notifier, &activation);

    EXPECT_TRUE(control.port_open());
    first.write("after");
    ASSERT_TRUE(watcher.wait_for_bytes(5));
    EXPECT_EQ(watcher.received, QByteArray("after"));
    EXPECT_EQ(watcher.events.count(SerialControl::comEventDeviceLost), 0);
}

// The device going away

TEST_F(SerialOnPty, UnplugClosesThePortAfterOneNotificationAndLeavesItIdle)
{
    open_first();
    first.close_master();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !control.port_open(); }, 3000));
    const std::clock_t cpu_before = std::clock();
    QTest::qWait(300);
    EXPECT_LT(std::clock() - cpu_before, CLOCKS_PER_SEC / 10) << "idle, not polling a dead device";

    EXPECT_EQ(watcher.events, QList<int> { SerialControl::comEventDeviceLost });
    EXPECT_EQ(control.comm_event(), int(SerialControl::comEventDeviceLost));
    EXPECT_EQ(control.output(QStringLiteral("R")).reason(), SerialControl::not_open_reason());

    // Written to before the tool noticed: the system's reason, and still one notification.
    QtSerialControl second_line(make_map());
    LineWatcher second_watcher(second_line);
    second_line.set_comm_port(2);
    ASSERT_TRUE(second_line.open_port());
    second.close_master();
    expect_failure(second_line.output(QStringLiteral("R")), second.device_path(),
        QStringLiteral("Input/output error"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !second_line.port_open(); }, 3000));
    QTest::qWait(50);
    EXPECT_EQ(second_watcher.events, QList<int> { SerialControl::comEventDeviceLost });
}

TEST_F(SerialOnPty, PortOpenPutBetweenUnplugAndItsNotificationWins)
{
    open_first();
    first.close_master();
    ASSERT_TRUE(turn_until_loss_seen(control));
    EXPECT_TRUE(watcher.events.isEmpty());

    control.set_comm_port(2);
    ASSERT_TRUE(control.open_port());
    QTest::qWait(100);
    EXPECT_TRUE(control.port_open()) << "the pending close does not touch the new port";
    EXPECT_TRUE(watcher.events.isEmpty()) << "nothing was lost since the reopen";
    ASSERT_TRUE(control.output(QStringLiteral("R")));
    EXPECT_EQ(second.read(1), QByteArray("R"));
    second.write("\x06");
    EXPECT_TRUE(watcher.wait_for_bytes(1));

    // Destroyed while a loss is pending, it leaves nothing behind (for the sanitizers to see).
    Pty third;
    PortMap map;
    map.map_port(1, third.device_path());
    auto doomed = std::make_unique<QtSerialControl>(map);
    ASSERT_TRUE(doomed->open_port());
    third.close_master();
    ASSERT_TRUE(turn_until_loss_seen(*doomed));
    doomed.reset();
    QTest::qWait(50);
}

} // namespace
