#include "QtSerialControl.h"
#include "ChildProcess.h"
#include "Pty.h"
#include "QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cerrno>
#include <ctime>
#include <gtest/gtest.h>
#include <termios.h>

namespace {

termios line_of(const Pty& pty)
{
    // Terminal attributes asked on the master side are those of the device side.
    termios attributes {};
    tcgetattr(pty.master_fd(), &attributes);
    return attributes;
}

void expect_failure(const CommResult& result, const QString& device, const QString& reason)
{
    EXPECT_FALSE(result);
    EXPECT_EQ(result.device(), device);
    EXPECT_EQ(result.reason(), reason);
}

// Plays the window's part on OnComm: records every CommEvent and takes the waiting bytes with one
// Input per data-received notification, as the reply decoder does.
struct LineWatcher {
    explicit LineWatcher(SerialControl& control)
    {
        QObject::connect(&control, &SerialControl::OnComm, &context, [this, &control] {
            events.append(control.comm_event());
            if (taking && control.comm_event() == SerialControl::comEvReceive) {
                const QByteArray batch = control.input();
                batch_sizes.append(batch.size());
                received += batch;
            }
        });
    }
    bool wait_for_bytes(qsizetype count)
    {
        return QTest::qWaitFor([&] { return received.size() >= count; }, 5000);
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
    void open_first() { ASSERT_TRUE(control.open_port()); }

    Pty first;
    Pty second;
    QTemporaryDir folder;
    QtSerialControl control { make_map() };
    LineWatcher watcher { control };
};

TEST_F(SerialOnPty, OpenPutsTheSettingsOnTheDeviceAndSettingsWhileOpenApplyAtOnce)
{
    // A pseudo-terminal keeps 8 data bits and no parity whatever is asked, so the settings show
    // only through odd, mark and space parity, stop bits and speed. 1.5 stop bits are two on Linux.
    const struct {
        const char* text;
        speed_t speed;
        tcflag_t parity_kind;
        bool two_stop_bits;
    } cases[] = { { "9600,n,8,1", B9600, 0, false }, { "1200,o,5,1.5", B1200, PARODD, true },
        { "4800,m,6,1", B4800, PARODD | CMSPAR, false }, { "2400,s,8,2", B2400, CMSPAR, true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        QtSerialControl fresh(make_map());
        ASSERT_TRUE(fresh.set_settings(QString::fromLatin1(c.text)));
        ASSERT_TRUE(fresh.open_port());
        const termios line = line_of(first);
        EXPECT_EQ(cfgetospeed(&line), c.speed);
        EXPECT_EQ(cfgetispeed(&line), c.speed);
        EXPECT_EQ(line.c_cflag & (PARODD | CMSPAR), c.parity_kind);
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.two_stop_bits);
        EXPECT_EQ(line.c_cflag & CRTSCTS, 0u) << "no hardware flow control";
        EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u) << "no software flow control";
    }
    open_first();
    ASSERT_TRUE(control.set_settings(QStringLiteral("19200,n,8,2")));
    // A pseudo-terminal cannot take parity: refused, nothing changes.
    expect_failure(control.set_settings(QStringLiteral("9600,e,8,1")), first.device_path(),
        QStringLiteral("Invalid argument"));
    EXPECT_EQ(control.settings(), QStringLiteral("19200,n,8,2"));
    const termios line = line_of(first);
    EXPECT_EQ(cfgetospeed(&line), speed_t(B19200));
    EXPECT_NE(line.c_cflag & CSTOPB, 0u);
}

TEST_F(SerialOnPty, MissingDeviceAndDeviceHeldByAnotherProgramAreRefused)
{
    const QString device = QDir(folder.path()).filePath(QStringLiteral("COM3"));
    control.set_comm_port(3);
    expect_failure(control.open_port(), device, QStringLiteral("No such file or directory"));
    EXPECT_FALSE(control.port_open());
    expect_failure(control.output(QStringLiteral("R")), device, SerialControl::not_open_reason());

    // Another serial program holds COM1 (its lock file under /var/lock) until its input closes.
    control.set_comm_port(1);
    {
        QProcess holder;
        die_with_test(holder);
        holder.start(
            QStringLiteral(SERIAL_HOLDER_PATH), { QStringLiteral("lock"), first.device_path() });
        ASSERT_TRUE(holder.waitForReadyRead(5000));
        ASSERT_EQ(holder.readLine().trimmed(), QByteArray("held"));
        expect_failure(
            control.open_port(), first.device_path(), QStringLiteral("Device or resource busy"));
        EXPECT_FALSE(control.port_open());
        holder.closeWriteChannel();
        ASSERT_TRUE(holder.waitForFinished(5000));
    }
    EXPECT_TRUE(control.open_port()) << "released by the other program, it opens";
}

TEST_F(SerialOnPty, OutputsGoOutInOrderAsUtf8EvenWhenClosedAtOnce)
{
    open_first();
    ASSERT_TRUE(control.output(QStringLiteral("\x02R04;\x7F")));
    ASSERT_TRUE(control.output(QStringLiteral("\u00E9카드\U0001F600\x03")));
    control.close_port();
    const QByteArray expected("\x02R04;\x7F\xC3\xA9\xEC\xB9\xB4\xEB\x93\x9C\xF0\x9F\x98\x80\x03");
    EXPECT_EQ(first.read(expected.size()), expected);
    EXPECT_EQ(first.read_available(50), QByteArray()) << "nothing more";
}

TEST_F(SerialOnPty, BacklogHeldAtThresholdZeroArrivesInBoundedBatchesEveryByteUnchanged)
{
    open_first();
    control.set_rthreshold(0);
    QByteArray sent;
    for (int chunk = 0; chunk < 25; ++chunk) {
        QByteArray bytes(4000, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((chunk * 7 + i) % 256);
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
    EXPECT_TRUE(watcher.received == sent) << "in order, none lost, none changed";
    for (const qsizetype size : watcher.batch_sizes)
        EXPECT_LE(size, SerialControl::max_batch_bytes);
    EXPECT_GE(watcher.batch_sizes.count(SerialControl::max_batch_bytes), 2);
    EXPECT_EQ(control.input(), QByteArray()) << "Input took them out of the buffer";

    // A handler that takes nothing is not called again until more bytes arrive.
    watcher.taking = false;
    watcher.events.clear();
    first.write("AB");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watcher.events.isEmpty(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(watcher.events.size(), 1);
    watcher.taking = true;
    watcher.received.clear();
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
    for (QSocketNotifier* notifier : control.findChildren<QSocketNotifier*>()) {
        QEvent activation(QEvent::SockAct);
        errno = EAGAIN;
        if (notifier->type() == QSocketNotifier::Read)
            QCoreApplication::sendEvent(notifier, &activation);
    }
    first.write("after");
    ASSERT_TRUE(watcher.wait_for_bytes(5));
    EXPECT_EQ(watcher.received, QByteArray("after"));
    EXPECT_EQ(watcher.events.count(SerialControl::comEventDeviceLost), 0);
}

TEST_F(SerialOnPty, UnplugClosesThePortOnceAndAReopenBeforeItsNotificationWins)
{
    open_first();
    first.close_master();
    // Turns the event loop only until the control has seen its device go: the close that follows
    // the loss is then still pending when COM2 is opened.
    for (int turn = 0; control.port_open() && turn < 5000; ++turn) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    ASSERT_FALSE(control.port_open());
    control.set_comm_port(2);
    ASSERT_TRUE(control.open_port());
    QTest::qWait(100);
    EXPECT_TRUE(control.port_open()) << "the pending close does not touch the new port";
    EXPECT_TRUE(watcher.events.isEmpty()) << "nothing was lost since the reopen";
    ASSERT_TRUE(control.output(QStringLiteral("R")));
    EXPECT_EQ(second.read(1), QByteArray("R"));

    second.close_master();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !control.port_open(); }, 5000));
    const std::clock_t cpu_before = std::clock();
    QTest::qWait(300);
    EXPECT_LT(std::clock() - cpu_before, CLOCKS_PER_SEC / 10) << "idle, not polling a dead device";
    EXPECT_EQ(watcher.events, QList<int> { SerialControl::comEventDeviceLost });
    EXPECT_EQ(control.output(QStringLiteral("R")).reason(), SerialControl::not_open_reason());
}

} // namespace
