#include "QtSerialControl.h"
#include "QtPrinters.h"
#include "LineWatcher.h"
#include "Pty.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <memory>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int holder_timeout_ms = 5000;

QByteArray every_byte_value()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

termios line_of(const Pty& pty)
{
    // Terminal attributes asked on the master side are those of the device side.
    termios attributes {};
    tcgetattr(pty.master_fd(), &attributes);
    return attributes;
}

// CPU time this process has used, user and system.
std::chrono::microseconds cpu_time()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto micros = [](const timeval& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return micros(usage.ru_utime) + micros(usage.ru_stime);
}

// Runs the event loop one turn at a time until the control has seen its device go, and no
// further: the close that follows the loss is then still pending.
bool turn_until_loss_seen(const SerialControl& control)
{
    QDeadlineTimer deadline(3000);
    while (control.port_open() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return !control.port_open();
}

// Another program holding a device (serial_holder), released when this goes out of scope.
class Holder {
public:
    Holder(const QString& mode, const QString& path)
    {
        process_.start(QStringLiteral(SERIAL_HOLDER_PATH), { mode, path });
        if (process_.waitForReadyRead(holder_timeout_ms))
            answer_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~Holder()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(holder_timeout_ms))
            process_.kill();
        process_.waitForFinished(holder_timeout_ms);
    }
    bool holding() const { return answer_ == u"held"; }
    const QString& answer() const { return answer_; }

private:
    QProcess process_;
    QString answer_;
};

// Takes CAP_SYS_ADMIN out of this thread's effective capabilities for its lifetime, so that the
// kernel treats opens as an ordinary user's (root may open a terminal in exclusive mode).
class WithoutAdminRights {
public:
    WithoutAdminRights()
    {
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = { saved_[0], saved_[1] };
        reduced[0].effective &= ~(1u << CAP_SYS_ADMIN);
        if (::syscall(SYS_capset, &header_, reduced) == 0)
            dropped_ = true;
    }
    ~WithoutAdminRights()
    {
        if (dropped_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    bool dropped() const { return dropped_; }

private:
    __user_cap_header_struct header_ { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct saved_[2] {};
    bool dropped_ = false;
};

// COM1 and COM2 are two pseudo-terminals; every other number lies in an empty temporary folder.
class SerialOnPty : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(first.valid());
        ASSERT_TRUE(second.valid());
        ASSERT_TRUE(folder.isValid());
    }

    PortMap make_map() const
    {
        PortMap map;
        map.set_port_dir(folder.path());
        map.map_port(1, first.device_path());
        map.map_port(2, second.device_path());
        return map;
    }

    // Opens COM1 with the line settings of the card reader.
    void open_first()
    {
        ASSERT_TRUE(control.set_settings(QStringLiteral("9600,n,8,1")));
        control.set_rthreshold(1);
        control.set_input_mode(SerialControl::comInputModeBinary);
        control.set_comm_port(1);
        const CommResult opened = control.set_port_open(true);
        ASSERT_TRUE(opened) << opened.detail().toStdString();
    }

    QString missing_path(int port) const
    {
        return QDir(folder.path()).filePath(QStringLiteral("COM%1").arg(port));
    }

    Pty first;
    Pty second;
    QTemporaryDir folder;
    QtSerialControl control { make_map() };
    LineWatcher watcher { control };
};

// Opening and the line settings

// The kernel's pseudo-terminal keeps 8 data bits and no parity whatever is asked, so those show
// only through the bits it leaves alone: odd, mark and space parity, stop bits, speed.
struct SettingsCase {
    const char* text;
    speed_t speed;
    tcflag_t parity_kind; // PARODD, CMSPAR as set
    bool two_stop_bits;
};

void PrintTo(const SettingsCase& c, std::ostream* os)
{
    *os << c.text;
}

class SettingsOnTheLine : public SerialOnPty, public testing::WithParamInterface<SettingsCase> { };

TEST_P(SettingsOnTheLine, OpenPutsThemOnTheDevice)
{
    const SettingsCase& c = GetParam();
    ASSERT_TRUE(control.set_settings(QString::fromLatin1(c.text)));
    control.set_comm_port(1);
    const CommResult opened = control.set_port_open(true);
    ASSERT_TRUE(opened) << opened.detail().toStdString();

    const termios line = line_of(first);
    EXPECT_EQ(cfgetospeed(&line), c.speed);
    EXPECT_EQ(cfgetispeed(&line), c.speed);
    EXPECT_EQ(line.c_cflag & (PARODD | CMSPAR), c.parity_kind);
    EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.two_stop_bits);
    EXPECT_EQ(line.c_cflag & CRTSCTS, 0u) << "no hardware flow control";
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u) << "no software flow control";
}

// 1.5 stop bits are two on Linux: with 5-bit characters a UART then sends 1.5.
INSTANTIATE_TEST_SUITE_P(QtSerialControl, SettingsOnTheLine,
    testing::Values(SettingsCase { "9600,n,8,1", B9600, 0, false },
        SettingsCase { "19200,E,7,2", B19200, 0, true },
        SettingsCase { "1200,o,5,1.5", B1200, PARODD, true },
        SettingsCase { "4800,m,6,1", B4800, PARODD | CMSPAR, false },
        SettingsCase { "2400,s,8,2", B2400, CMSPAR, true }));

TEST_F(SerialOnPty, SettingsPutWhileOpenApplyAtOnce)
{
    open_first();
    ASSERT_TRUE(control.set_settings(QStringLiteral("19200,n,8,2")));
    termios line = line_of(first);
    EXPECT_EQ(cfgetospeed(&line), speed_t(B19200));
    EXPECT_NE(line.c_cflag & CSTOPB, 0u);

    ASSERT_TRUE(control.set_settings(QStringLiteral("1200,n,8,1")));
    line = line_of(first);
    EXPECT_EQ(cfgetospeed(&line), speed_t(B1200));
    EXPECT_EQ(line.c_cflag & CSTOPB, 0u);
}

TEST_F(SerialOnPty, SettingsTheOpenDeviceRefusesFailWithTheSystemReason)
{
    open_first();
    // A pseudo-terminal cannot take parity.
    const CommResult applied = control.set_settings(QStringLiteral("9600,e,8,1"));
    ASSERT_FALSE(applied);
    EXPECT_EQ(applied.device(), first.device_path());
    EXPECT_EQ(applied.reason(), QStringLiteral("Invalid argument"));
    EXPECT_TRUE(control.port_open());
}

TEST_F(SerialOnPty, DtrAndRtsOnAPseudoTerminalKeepThePortOpenAndWorking)
{
    control.set_dtr_enable(true);
    control.set_rts_enable(true);
    open_first();
    EXPECT_TRUE(control.port_open());

    control.set_dtr_enable(false);
    control.set_rts_enable(false);
    control.set_dtr_enable(true);
    control.set_rts_enable(true);
    EXPECT_TRUE(control.port_open());

    ASSERT_TRUE(control.output(QStringLiteral("R")));
    EXPECT_EQ(first.read(1), QByteArray("R"));
    first.write("\x06\r");
    EXPECT_TRUE(watcher.wait_for_bytes(2));
    EXPECT_EQ(watcher.received(), QByteArray("\x06\r"));
}

struct MissingCase {
    const char* name;
    bool single_mapping; // else through the port folder
};

void PrintTo(const MissingCase& c, std::ostream* os)
{
    *os << c.name;
}

class MissingDevice : public SerialOnPty, public testing::WithParamInterface<MissingCase> { };

TEST_P(MissingDevice, IsRefusedWithTheSystemReasonAndItsPath)
{
    QtSerialControl* subject = &control;
    std::unique_ptr<QtSerialControl> mapped;
    const QString path = missing_path(3);
    if (GetParam().single_mapping) {
        PortMap map;
        map.map_port(3, path + QStringLiteral(".mapped"));
        mapped = std::make_unique<QtSerialControl>(map);
        subject = mapped.get();
    }
    const QString expected_device
        = GetParam().single_mapping ? path + QStringLiteral(".mapped") : path;

    subject->set_comm_port(3);
    const CommResult opened = subject->set_port_open(true);

    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.device(), expected_device);
    EXPECT_EQ(opened.reason(), QStringLiteral("No such file or directory"));
    EXPECT_FALSE(subject->port_open());
}

INSTANTIATE_TEST_SUITE_P(QtSerialControl, MissingDevice,
    testing::Values(MissingCase { "InThePortFolder", false }, MissingCase { "MappedAlone", true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SerialOnPty, DeviceHeldByAnotherSerialProgramIsRefusedAsBusy)
{
    // serial_holder opens it with QSerialPort: a lock file under /var/lock and exclusive mode,
    // as the serial programs of this system do.
    {
        const Holder holder(QStringLiteral("lock"), first.device_path());
        ASSERT_TRUE(holder.holding()) << holder.answer().toStdString();

        control.set_comm_port(1);
        const CommResult opened = control.set_port_open(true);
        ASSERT_FALSE(opened);
        EXPECT_EQ(opened.device(), first.device_path());
        EXPECT_EQ(opened.reason(), QStringLiteral("Device or resource busy"));
        EXPECT_FALSE(control.port_open());
    }
    EXPECT_TRUE(control.set_port_open(true)) << "released by the other program, it opens";
}

TEST_F(SerialOnPty, DeviceInExclusiveModeIsRefusedAsBusyToAnOrdinaryUser)
{
    const Holder holder(QStringLiteral("exclusive"), first.device_path());
    ASSERT_TRUE(holder.holding()) << holder.answer().toStdString();
    const WithoutAdminRights ordinary_user;
    if (getuid() == 0 && !ordinary_user.dropped())
        GTEST_SKIP() << "cannot set aside root's right to open an exclusive terminal";

    control.set_comm_port(1);
    const CommResult opened = control.set_port_open(true);

    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.device(), first.device_path());
    EXPECT_EQ(opened.reason(), QStringLiteral("Device or resource busy"));
    EXPECT_FALSE(control.port_open());
}

TEST_F(SerialOnPty, OutputOnAClosedPortIsRefusedWithTheReason)
{
    const CommResult never_opened = control.output(QStringLiteral("R"));
    ASSERT_FALSE(never_opened);
    EXPECT_EQ(never_opened.reason(), SerialControl::not_open_reason());
    EXPECT_EQ(never_opened.device(), first.device_path());

    open_first();
    ASSERT_TRUE(control.set_port_open(false));
    EXPECT_TRUE(control.set_port_open(false)) << "closing a closed port does nothing";
    const CommResult after_close = control.output(QStringLiteral("R"));
    ASSERT_FALSE(after_close);
    EXPECT_EQ(after_close.reason(), SerialControl::not_open_reason());
    EXPECT_EQ(first.read_available(50), QByteArray());
}

TEST_F(SerialOnPty, PortOpenPutTrueWhileOpenReopensOnTheCurrentCommPort)
{
    open_first();
    control.set_comm_port(2);
    ASSERT_TRUE(control.set_port_open(true));
    EXPECT_TRUE(control.port_open());

    ASSERT_TRUE(control.output(QStringLiteral("N")));
    EXPECT_EQ(second.read(1), QByteArray("N"));
    EXPECT_EQ(first.read_available(50), QByteArray());

    // The first device was let go: another program may have it now.
    const Holder holder(QStringLiteral("lock"), first.device_path());
    EXPECT_TRUE(holder.holding()) << holder.answer().toStdString();
}

TEST_F(SerialOnPty, CommPortPutWhileOpenAppliesAtTheNextOpen)
{
    open_first();
    control.set_comm_port(2);
    EXPECT_EQ(control.comm_port(), 2);

    ASSERT_TRUE(control.output(QStringLiteral("A")));
    EXPECT_EQ(first.read(1), QByteArray("A")) << "still on COM1";
    first.write("x");
    EXPECT_TRUE(watcher.wait_for_bytes(1));

    ASSERT_TRUE(control.set_port_open(false));
    ASSERT_TRUE(control.set_port_open(true));
    ASSERT_TRUE(control.output(QStringLiteral("B")));
    EXPECT_EQ(second.read(1), QByteArray("B"));
    EXPECT_EQ(first.read_available(50), QByteArray());
}

TEST_F(SerialOnPty, PropertiesAreKeptAcrossCloseAndReopen)
{
    control.set_comm_port(1);
    ASSERT_TRUE(control.set_settings(QStringLiteral("19200,o,7,2")));
    control.set_rthreshold(1);
    control.set_input_mode(SerialControl::comInputModeBinary);
    control.set_input_len(2);
    control.set_dtr_enable(true);
    control.set_rts_enable(true);
    ASSERT_TRUE(control.set_port_open(true));
    ASSERT_TRUE(control.set_port_open(false));
    ASSERT_TRUE(control.set_port_open(true));

    EXPECT_EQ(control.comm_port(), 1);
    EXPECT_EQ(control.settings(), QStringLiteral("19200,o,7,2"));
    EXPECT_EQ(control.rthreshold(), 1);
    EXPECT_EQ(control.input_mode(), int(SerialControl::comInputModeBinary));
    EXPECT_EQ(control.input_len(), 2);
    EXPECT_TRUE(control.dtr_enable());
    EXPECT_TRUE(control.rts_enable());
    const termios line = line_of(first);
    EXPECT_EQ(cfgetospeed(&line), speed_t(B19200));
    EXPECT_EQ(line.c_cflag & (PARODD | CSTOPB), tcflag_t(PARODD | CSTOPB));

    first.write("ABCDE");
    ASSERT_TRUE(watcher.wait_for_bytes(5));
    EXPECT_EQ(watcher.batch_sizes(), (QList<qsizetype> { 2, 2, 1 })) << "InputLen still 2";
}

TEST_F(SerialOnPty, PortFolderRelativeToTheWorkingDirectoryHoldsSymbolicLinks)
{
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("ports")));
    ASSERT_TRUE(QFile::link(second.device_path(), folder.filePath(QStringLiteral("ports/COM5"))));
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    PortMap map;
    map.set_port_dir(QStringLiteral("ports"));
    QtSerialControl relative(map);
    relative.set_comm_port(5);

    const CommResult opened = relative.set_port_open(true);
    QDir::setCurrent(saved);

    ASSERT_TRUE(opened) << opened.detail().toStdString();
    ASSERT_TRUE(relative.output(QStringLiteral("W")));
    EXPECT_EQ(second.read(1), QByteArray("W"));
}

// Data on the line

struct OutputCase {
    const char* name;
    QString text;
    QByteArray bytes;
};

void PrintTo(const OutputCase& c, std::ostream* os)
{
    *os << c.name;
}

class OutputBytes : public SerialOnPty, public testing::WithParamInterface<OutputCase> { };

TEST_P(OutputBytes, GoOutExactlyAndInOrder)
{
    open_first();
    ASSERT_TRUE(control.output(GetParam().text));
    EXPECT_EQ(first.read(GetParam().bytes.size()), GetParam().bytes);
    EXPECT_EQ(first.read_available(50), QByteArray()) << "nothing more";
}

INSTANTIATE_TEST_SUITE_P(QtSerialControl, OutputBytes,
    testing::Values(OutputCase { "ControlCharacter", QStringLiteral("\x02"), QByteArray("\x02") },
        OutputCase {
            "CommandBody", QStringLiteral("R04;FFFFFFFFFFFF"), QByteArray("R04;FFFFFFFFFFFF") },
        OutputCase { "NulCharacter", QString(QChar(0)), QByteArray(1, '\0') },
        OutputCase {
            "HangulAsUtf8", QStringLiteral("카드"), QByteArray("\xEC\xB9\xB4\xEB\x93\x9C") },
        OutputCase { "EmojiAsUtf8", QStringLiteral("\U0001F600"), QByteArray("\xF0\x9F\x98\x80") }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SerialOnPty, ThreeOutputsInARowArriveInOrder)
{
    open_first();
    ASSERT_TRUE(control.output(QStringLiteral("\x02")));
    ASSERT_TRUE(control.output(QStringLiteral("N04;FFFFFFFFFFFF;0123456789ABCDEF")));
    ASSERT_TRUE(control.output(QStringLiteral("\x03")));
    const QByteArray expected("\x02N04;FFFFFFFFFFFF;0123456789ABCDEF\x03");
    EXPECT_EQ(first.read(expected.size()), expected);
}

TEST_F(SerialOnPty, OutputJustBeforeClosingStillReachesTheLine)
{
    open_first();
    ASSERT_TRUE(control.output(QStringLiteral("\x02R04;FFFFFFFFFFFF\x03")));
    ASSERT_TRUE(control.set_port_open(false));
    EXPECT_EQ(first.read(18), QByteArray("\x02R04;FFFFFFFFFFFF\x03"));
}

TEST_F(SerialOnPty, EveryCharacterCodeUpTo255GoesOutAsAsciiOrUtf8)
{
    open_first();
    QString text;
    QByteArray expected;
    for (int code = 0; code < 256; ++code) {
        text.append(QChar(code));
        if (code < 0x80) {
            expected.append(char(code));
        } else {
            expected.append(char(0xC0 | (code >> 6)));
            expected.append(char(0x80 | (code & 0x3F)));
        }
    }
    ASSERT_TRUE(control.output(text));
    EXPECT_EQ(first.read(expected.size()), expected);
}

TEST_F(SerialOnPty, EveryByteValueArrivesUnchanged)
{
    open_first();
    first.write(every_byte_value());
    ASSERT_TRUE(watcher.wait_for_bytes(256));
    EXPECT_EQ(watcher.received(), every_byte_value());
}

TEST_F(SerialOnPty, ArrivingBytesRaiseDataReceived)
{
    open_first();
    first.write("\x06\r");
    ASSERT_TRUE(watcher.wait_for_bytes(2));
    EXPECT_EQ(watcher.received(), QByteArray("\x06\r"));
    EXPECT_EQ(watcher.events().value(0), int(SerialControl::comEvReceive));
    EXPECT_EQ(control.input(), QByteArray()) << "Input took them out of the buffer";
}

TEST_F(SerialOnPty, InputLenSplitsTheWaitingBytesIntoSeveralNotifications)
{
    open_first();
    control.set_input_len(3);
    first.write("ABCDEFG");
    ASSERT_TRUE(watcher.wait_for_bytes(7));
    EXPECT_EQ(watcher.received(), QByteArray("ABCDEFG"));
    EXPECT_EQ(watcher.batch_sizes(), (QList<qsizetype> { 3, 3, 1 }));
}

TEST_F(SerialOnPty, BacklogLargerThanOneBatchArrivesInSeveralBatchesNoneLost)
{
    open_first();
    // Collect a backlog without notifications, then let one arrival hand it all on.
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
    EXPECT_TRUE(watcher.events().isEmpty());
    control.set_rthreshold(1);
    first.write("!");
    sent += '!';

    ASSERT_TRUE(watcher.wait_for_bytes(sent.size()));
    EXPECT_EQ(watcher.received().size(), sent.size());
    EXPECT_TRUE(watcher.received() == sent) << "in order, none lost";
    for (const qsizetype size : watcher.batch_sizes())
        EXPECT_LE(size, SerialControl::max_batch_bytes);
    EXPECT_GE(watcher.batch_sizes().count(SerialControl::max_batch_bytes), 2)
        << "the backlog was split into full batches";
}

TEST_F(SerialOnPty, HandlerThatTakesNothingIsNotCalledAgainUntilMoreBytesArrive)
{
    open_first();
    watcher.set_taking(false);
    first.write("AB");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return watcher.count(SerialControl::comEvReceive) >= 1; }, 3000));
    QTest::qWait(100);
    EXPECT_EQ(watcher.count(SerialControl::comEvReceive), 1);

    watcher.set_taking(true);
    first.write("C");
    ASSERT_TRUE(watcher.wait_for_bytes(3));
    EXPECT_EQ(watcher.received(), QByteArray("ABC")) << "the waiting bytes were kept";
}

TEST_F(SerialOnPty, ReceiveThresholdZeroRaisesNoNotification)
{
    open_first();
    control.set_rthreshold(0);
    first.write("\x06\r");
    QTest::qWait(200);
    EXPECT_TRUE(watcher.events().isEmpty());
    EXPECT_EQ(control.input(), QByteArray("\x06\r")) << "the bytes wait for Input";
}

TEST_F(SerialOnPty, LongStreamOfSmallWritesWithPausesArrivesWhole)
{
    open_first();
    QByteArray sent;
    for (int write = 0; write < 600; ++write) {
        QByteArray bytes;
        for (int i = 0; i <= write % 3; ++i)
            bytes.append(char((write * 3 + i) % 256));
        first.write(bytes);
        sent += bytes;
        QTest::qWait(write % 40 == 39 ? 40 : 1);
    }
    ASSERT_TRUE(watcher.wait_for_bytes(sent.size()))
        << watcher.received().size() << " of " << sent.size();
    EXPECT_TRUE(watcher.received() == sent);
    EXPECT_TRUE(control.port_open());
}

// The read notifier wakes with nothing to read, as it may on a busy line: the read returns zero
// bytes while errno still holds EAGAIN from an earlier call. Qt 6.4 takes that for a lost resource
// and stops reading; the control must keep receiving.
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
    EXPECT_EQ(watcher.received(), QByteArray("after"));
    EXPECT_EQ(watcher.count(SerialControl::comEventDeviceLost), 0);
}

// The device going away

TEST_F(SerialOnPty, UnplugClosesThePortAfterOneNotification)
{
    open_first();
    first.close_master();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !control.port_open(); }, 3000));
    const auto cpu_before = cpu_time();
    QTest::qWait(300);
    const auto cpu_used = cpu_time() - cpu_before;

    EXPECT_EQ(watcher.events(), QList<int> { SerialControl::comEventDeviceLost });
    EXPECT_EQ(control.comm_event(), int(SerialControl::comEventDeviceLost));
    EXPECT_LT(cpu_used, std::chrono::milliseconds(100)) << "idle, not polling a dead device";
    const CommResult sent = control.output(QStringLiteral("R"));
    ASSERT_FALSE(sent);
    EXPECT_EQ(sent.reason(), SerialControl::not_open_reason());
}

TEST_F(SerialOnPty, OutputToAVanishedDeviceFailsWithTheSystemReason)
{
    open_first();
    first.close_master();

    const CommResult sent = control.output(QStringLiteral("R"));
    ASSERT_FALSE(sent);
    EXPECT_EQ(sent.device(), first.device_path());
    EXPECT_EQ(sent.reason(), QStringLiteral("Input/output error"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !control.port_open(); }, 3000));
    QTest::qWait(50);
    EXPECT_EQ(watcher.count(SerialControl::comEventDeviceLost), 1);
}

TEST_F(SerialOnPty, AfterAnUnplugAnotherPortOpensAndWorks)
{
    open_first();
    first.close_master();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !control.port_open(); }, 3000));

    control.set_comm_port(2);
    ASSERT_TRUE(control.set_port_open(true));
    QTest::qWait(50);
    EXPECT_TRUE(control.port_open()) << "the earlier loss does not close the new port";
    ASSERT_TRUE(control.output(QStringLiteral("R")));
    EXPECT_EQ(second.read(1), QByteArray("R"));
    second.write("\x06");
    EXPECT_TRUE(watcher.wait_for_bytes(1));
}

TEST_F(SerialOnPty, PortOpenPutBetweenUnplugAndItsNotificationWins)
{
    open_first();
    first.close_master();
    ASSERT_TRUE(turn_until_loss_seen(control));
    EXPECT_TRUE(watcher.events().isEmpty());

    control.set_comm_port(2);
    ASSERT_TRUE(control.set_port_open(true));
    QTest::qWait(100);
    EXPECT_TRUE(control.port_open()) << "the pending close does not touch the new port";
    EXPECT_TRUE(watcher.events().isEmpty()) << "nothing was lost since the reopen";
    ASSERT_TRUE(control.output(QStringLiteral("R")));
    EXPECT_EQ(second.read(1), QByteArray("R"));
}

TEST_F(SerialOnPty, DestroyedWhileTheLossIsPendingLeavesNothingBehind)
{
    PortMap map;
    map.map_port(1, second.device_path());
    auto doomed = std::make_unique<QtSerialControl>(map);
    ASSERT_TRUE(doomed->set_port_open(true));
    second.close_master();
    ASSERT_TRUE(turn_until_loss_seen(*doomed));
    doomed.reset();
    QTest::qWait(50);
}

} // namespace
