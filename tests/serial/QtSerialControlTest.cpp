#include "QtSerialControl.h"
#include "HangCeiling.h"
#include "PortLock.h"
#include "Pty.h"
#include "QtPrinters.h"
#include "QtSystemPorts.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <termios.h>

namespace {

using Line = std::tuple<speed_t, speed_t, tcflag_t, tcflag_t>;

// Settings as the tool writes them and the line they make. A pseudo-terminal keeps 8 data bits and
// no parity whatever is asked, so the settings show only through odd, mark and space parity, stop
// bits and speed. 1.5 stop bits are two on Linux. There is never flow control.
const std::pair<const char*, Line> device_lines[] = { { "9600,n,8,1", { B9600, B9600, 0, 0 } },
    { "1200,o,5,1.5", { B1200, B1200, PARODD | CSTOPB, 0 } },
    { "4800,m,6,1", { B4800, B4800, PARODD | CMSPAR, 0 } },
    { "2400,s,8,2", { B2400, B2400, CMSPAR | CSTOPB, 0 } } };

// COM1 is a pseudo-terminal, COM2 a link to another in the port folder, where every other number
// leads nowhere.
class SerialOnPty : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(first.valid() && second.valid() && folder.isValid());
        ASSERT_TRUE(QFile::link(second.device_path(), com2()));
        // Plays the reply decoder's part: one Input per data-received notification.
        QObject::connect(&control, &SerialControl::OnComm, &control, [this] {
            events.append(control.comm_event());
            if (taking && control.comm_event() == SerialControl::CommEvent::receive) {
                const QByteArray batch = control.input();
                batch_sizes.append(batch.size());
                received += batch;
            }
        });
    }
    PortMap make_map() const
    {
        PortMap map;
        map.set_port_dir(folder.path());
        map.map_port(1, first.device_path());
        return map;
    }
    QString com2() const { return folder.filePath(QStringLiteral("COM2")); }
    // COM1's speeds, framing and flow-control flags; asked on the master side, they are those of
    // the device side.
    Line line() const
    {
        termios t {};
        tcgetattr(first.master_fd(), &t);
        return { cfgetospeed(&t), cfgetispeed(&t), t.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS),
            t.c_iflag & (IXON | IXOFF) };
    }

    Pty first, second;
    QTemporaryDir folder;
    bool taking = true;
    QList<SerialControl::CommEvent> events;
    QByteArray received;
    QList<qsizetype> batch_sizes;
    QtSerialControl control { make_map() };
};

TEST_F(SerialOnPty, OpeningPutsTheSettingsOnTheDeviceRefusesWithReasonAndOutputKeepsOrder)
{
    for (const auto& [text, expected] : device_lines) {
        control.close_port();
        ASSERT_TRUE(control.set_settings(QString::fromLatin1(text)));
        ASSERT_TRUE(control.open_port());
        EXPECT_EQ(line(), expected) << text;
    }
    ASSERT_TRUE(control.set_settings(QStringLiteral("19200,n,8,1")));
    // A pseudo-terminal cannot take parity: refused, nothing changes.
    EXPECT_EQ(control.set_settings(QStringLiteral("9600,e,8,1")).detail(),
        first.device_path() + ": 부적절한 인수");
    EXPECT_EQ(std::get<0>(line()), speed_t(B19200));
    // What the pseudo-terminal cannot show: data bits, even parity, and that a malformed text is
    // refused rather than taken for some default.
    EXPECT_EQ(LineSettings::parse(u"19200,E,7,2"),
        (LineSettings { 19200, LineSettings::Parity::even, 7, LineSettings::StopBits::two }));
    for (const char* text : { "", "9600,n,8", "9600,,8,1", "9600,no,8,1", "9600,n,4,1",
             "9600,n,9,1", "9600,n,8,3", "9600,n,8,1.0", "fast,n,8,1", "0,n,8,1", "9600,n,8,1,0" })
        EXPECT_FALSE(LineSettings::parse(QString::fromLatin1(text)).has_value()) << text;

    const QString device = folder.filePath(QStringLiteral("COM3"));
    control.set_comm_port(3);
    const CommResult missing = control.open_port();
    EXPECT_EQ(missing.detail(), device + ": 그런 파일이나 디렉터리가 없습니다");
    EXPECT_EQ(missing.kind(), CommResult::Kind::other);
    EXPECT_EQ(control.output("R").detail(), device + ": " + SerialControl::not_open_reason());

    control.set_comm_port(1);
    ASSERT_TRUE(control.open_port());
    const QByteArray expected("\x02R04;\x7F\xC3\xA9\xC4\xAB\xB5\xE5\x03");
    ASSERT_TRUE(control.output(expected));
    // A reader that reads nothing fills the line's buffer: a send then waits, it is not refused;
    // giving it up says how much of it went out. A pseudo-terminal keeps what it took, told as
    // sent, and it arrives.
    struct Cut final : LineObserver {
        void written(QByteArrayView bytes) override { sent += bytes.size(); }
        void cut(qint64 went, qint64 unsent) override { told = { went, unsent }; }
        qint64 sent = 0;
        std::pair<qint64, qint64> told;
    } observer;
    control.set_observer(&observer);
    // The control outlives this test's body, and tells what it still holds when it closes.
    const auto detach = qScopeGuard([this] { control.set_observer(nullptr); });
    for (int i = 0; i < 64; ++i)
        ASSERT_TRUE(control.output(QByteArray(4096, 'x'))) << i;
    EXPECT_TRUE(control.drop_unsent() == observer.told.second && observer.told.second > 0);
    EXPECT_EQ(observer.sent + observer.told.second, 64 * 4096);
    EXPECT_EQ((observer.told.first + observer.told.second) % 4096, 0) << "whole writes";
    const qint64 told_sent = observer.sent;
    ASSERT_TRUE(control.output("Z"));
    QByteArray arrived;
    ASSERT_TRUE(wait_for([&] { return (arrived += first.read(4096, 10)).endsWith('Z'); }));
    EXPECT_TRUE(arrived.startsWith(expected) && arrived.count('x') == told_sent);
}

// A folder or a file given as a port's device is told for what it is, not by what QSerialPort
// meets deeper down ("Input/output error", "Invalid argument").
TEST_F(SerialOnPty, ADeviceThatIsNoSerialLineIsToldWhatItIs)
{
    const QString device = folder.filePath(QStringLiteral("COM3"));
    const std::tuple<const char*, std::function<bool()>, QString> rows[] = {
        { "a folder", [&] { return QDir().mkdir(device); }, "디렉터리입니다" },
        { "a file", [&] { return QFile(device).open(QFile::WriteOnly); },
            "시리얼 장치가 아닙니다" },
        { "/dev/null", [&] { return QFile::link("/dev/null", device); }, "시리얼 장치가 아닙니다" },
    };
    control.set_comm_port(3);
    for (const auto& [name, make, reason] : rows) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(make());
        EXPECT_EQ(control.open_port().detail(), device + ": " + reason);
        (void)(QFile::remove(device) || QDir().rmdir(device));
    }
}

// A lock file is read in the forms serial programs write: while its process lives the port is
// busy, named with it; one that names no process blocks the port, named and left in place; a dead
// process's is replaced (no process has so high a number) by QSerialPort's own. A bind mount of the
// device reaches that lock, which names this process.
TEST_F(SerialOnPty, LockFilesAreReadAsOtherProgramsWriteThemUnderTheKernelsName)
{
    const QString lock_file = "/var/lock/LCK.." + first.device_path().mid(5).replace(u'/', u'_');
    const QString held = QStringLiteral("%1: 잠금 파일 %2의 주인은 실행 중인 프로세스 %3입니다")
                             .arg(first.device_path(), lock_file, QString::number(getpid()));
    const QString blocks = first.device_path() + ": 잠금 파일 " + lock_file
        + "의 내용을 프로세스 번호로 읽을 수 없어 이 파일이 포트를 막고 있습니다 — 포트를 쓰는 "
          "프로그램이 없으면 이 파일을 지우십시오";
    const std::tuple<const char*, std::optional<QByteArray>, QString> rows[] = {
        { "HDB form, live", QByteArray::number(getpid()).rightJustified(10) + '\n', held },
        { "garbage", "uucp\n", blocks },
        { "empty", "", blocks },
        { "a directory", std::nullopt, blocks },
        { "HDB form, dead", "2147483646\n", {} },
    };
    for (const auto& [name, content, refusal] : rows) {
        SCOPED_TRACE(name);
        QFile lock(lock_file);
        ASSERT_TRUE(content ? lock.open(QIODevice::WriteOnly) && lock.write(*content) >= 0
                            : QDir().mkdir(lock.fileName()));
        lock.close();
        const CommResult result = control.open_port();
        EXPECT_EQ(std::pair(result.detail(), result.kind() == CommResult::Kind::busy),
            std::pair(refusal, refusal == held));
        EXPECT_TRUE(QFileInfo::exists(lock.fileName()));
        EXPECT_EQ(PortLock::holder(lock.fileName()),
            refusal == blocks ? std::nullopt : std::optional(getpid()));
        control.close_port();
        (void)(QFile::remove(lock.fileName()) || QDir().rmdir(lock.fileName()));
    }

    const QString bound = folder.filePath(QStringLiteral("COM3"));
    ASSERT_TRUE(QFile(bound).open(QIODevice::WriteOnly));
    if (QProcess::execute("mount", { "--bind", first.device_path(), bound }) != 0)
        GTEST_SKIP() << "mount --bind refused: only root, with CAP_SYS_ADMIN, may bind the device";
    ASSERT_TRUE(control.open_port());
    QtSerialControl second(make_map());
    second.set_comm_port(3);
    const CommResult busy = second.open_port();
    EXPECT_EQ(QProcess::execute("umount", { bound }), 0);
    EXPECT_EQ(busy.detail(), QString(held).replace(first.device_path(), bound));
}

// flock(1) and picocom lock the device with flock and no lock file: the tool finds a port held
// so busy, its settings untouched, and picocom finds the tool's port locked.
TEST_F(SerialOnPty, AFlockOnTheDeviceKeepsThePortEachWayRound)
{
    QProcess holder;
    holder.start("flock", { "-n", "-o", first.device_path(), "-c", "echo locked; read end" });
    ASSERT_TRUE(holder.waitForReadyRead(hang_ceiling_ms));
    ASSERT_TRUE(control.set_settings(QStringLiteral("1200,n,8,1")));
    EXPECT_EQ(control.open_port().detail(),
        first.device_path() + ": 다른 프로그램이 장치를 잠가 두었습니다 (flock)");
    EXPECT_NE(std::get<0>(line()), speed_t(B1200)) << "the holder's settings untouched";
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(hang_ceiling_ms) && control.open_port());
    // A session of its own: picocom, as it ends, signals its whole process group.
    holder.setChildProcessModifier([] { setsid(); });
    holder.start("picocom", { "--noreset", first.device_path() });
    if (!holder.waitForStarted(hang_ceiling_ms))
        GTEST_SKIP() << "picocom is not installed (scripts/install-deps.sh test installs it)";
    EXPECT_TRUE(holder.waitForFinished(hang_ceiling_ms) && holder.exitCode() == 1);
    if (geteuid() != 0)
        GTEST_SKIP()
            << "only root opens a device in exclusive use (TIOCEXCL) and so meets its flock";
    EXPECT_TRUE(holder.readAllStandardError().contains(
        "FATAL: cannot lock " + first.device_path().toUtf8()));
}

TEST_F(SerialOnPty, BytesArriveInBoundedBatchesUnchangedAndWaitForAHandlerThatTookNone)
{
    // RThreshold starts at 0, as on the classic control: the bytes wait unannounced.
    ASSERT_TRUE(control.open_port());
    QByteArray sent;
    for (int i = 0; i < 100000; ++i)
        sent += char(i * 7); // every byte value
    // Each part taken in, into the port's buffer (or by a handler that ought not to run), before
    // the next is written.
    const QSerialPort* port = control.findChild<QSerialPort*>();
    for (qsizetype at = 0; at < sent.size(); at += 4000) {
        first.write(sent.mid(at, 4000));
        const qsizetype arrived = std::min(at + 4000, sent.size());
        ASSERT_TRUE(wait_for([&] { return port->bytesAvailable() + received.size() == arrived; }));
    }
    EXPECT_TRUE(events.isEmpty()) << "no notification at RThreshold 0";
    control.set_rthreshold(1);
    first.write("!");
    sent += '!';
    ASSERT_TRUE(wait_for([&] { return received.size() == sent.size(); }));
    EXPECT_TRUE(received == sent) << "in order, none lost, none changed";
    EXPECT_GE(batch_sizes.count(SerialControl::max_batch_bytes), 2);
    EXPECT_EQ(std::ranges::max(batch_sizes), 32767) << "a batch's count is a 16-bit signed one";

    // The read notifier may wake with nothing to read on a busy line: the read returns zero bytes
    // while errno still holds EAGAIN from an earlier call. Qt 6.4 takes that for a lost resource
    // and stops reading; the control must keep receiving.
    for (QSocketNotifier* notifier : control.findChildren<QSocketNotifier*>()) {
        QEvent activation(QEvent::SockAct);
        errno = EAGAIN;
        if (notifier->type() == QSocketNotifier::Read)
            QCoreApplication::sendEvent(notifier, &activation);
    }
    // A handler that takes nothing is not called again until more bytes arrive.
    taking = false;
    events.clear();
    first.write("AB");
    ASSERT_TRUE(wait_for([&] { return !events.isEmpty(); }));
    first.write("C"); // its notification comes after any that AB could still cause
    ASSERT_TRUE(wait_for([&] { return events.size() >= 2; }));
    EXPECT_EQ(events.size(), 2) << "one notification for AB, one for C";
    EXPECT_EQ(control.input(), QByteArray("ABC")) << "the waiting bytes were kept";
}

// The device goes while the control reads and announces its bytes.
TEST_F(SerialOnPty, ALostDeviceIsLookedForByItsIdentityOnlyAndAPendingCloseSparesTheNextPort)
{
    ASSERT_TRUE(control.open_port());
    control.set_rthreshold(1);
    first.close_master();
    // Turns the event loop only until the control has seen its device go: the close that follows
    // the loss is then still pending when COM2 is opened.
    for (const QDeadlineTimer ceiling(hang_ceiling_ms);
         control.port_open() && !ceiling.hasExpired();) {
        QCoreApplication::processEvents();
        QTest::qSleep(1);
    }
    ASSERT_FALSE(control.port_open());
    control.set_comm_port(2);
    ASSERT_TRUE(control.open_port());
    EXPECT_FALSE(control.device_lost()) << "another port was chosen";
    QCoreApplication::sendPostedEvents(); // the pending close among them
    ASSERT_TRUE(control.output("R")) << "the pending close leaves the new port be";

    // A device with no identity is not looked for: nothing wakes the control (no timer, no
    // watched folder, no notifier on the dead device), nothing is reported, not even another
    // device at its node, and its port stays lost until it is chosen again and opens.
    second.close_master();
    ASSERT_TRUE(wait_for([&] { return !events.isEmpty(); }));
    for (const QTimer* timer : control.findChildren<QTimer*>())
        EXPECT_FALSE(timer->isActive());
    for (const QFileSystemWatcher* watcher : control.findChildren<QFileSystemWatcher*>())
        EXPECT_EQ(watcher->directories(), QStringList());
    for (const QSocketNotifier* notifier :
        control.findChild<QSerialPort*>()->findChildren<QSocketNotifier*>())
        EXPECT_FALSE(notifier->isEnabled());
    EXPECT_FALSE(control.open_port());
    EXPECT_TRUE(control.device_lost() && !control.port_open()) << "its own failure keeps it lost";
    // The test's own watcher sees the new link: anything that could notice it has had its turn.
    Pty plugged;
    QFileSystemWatcher sentinel({ folder.path() });
    QSignalSpy changed(&sentinel, &QFileSystemWatcher::directoryChanged);
    ASSERT_TRUE(QFile::remove(com2()) && QFile::link(plugged.device_path(), com2()));
    ASSERT_TRUE(changed.wait(hang_ceiling_ms));
    EXPECT_EQ(events, QList { SerialControl::CommEvent::device_lost });
    ASSERT_TRUE(control.open_port());
    EXPECT_FALSE(control.device_lost());
    ASSERT_TRUE(control.output("R"));
    EXPECT_EQ(plugged.read(1, hang_ceiling_ms), "R");
}

TEST(UsbIdentity, IsTheSerialNumberElseThePortPathAndNoneWithoutEither)
{
    const QString path = "pci-0000:00:14.0-usb-0:2:1.0";
    const struct {
        const char* name;
        std::optional<quint16> vendor;
        QString serial, path, interface, identity;
    } rows[] = {
        { "serial number", 0x403, "READER1", path, "", "0403:6001 serial READER1" },
        { "one of two", 0x403, "DUAL", "", "01", "0403:6001 serial DUAL interface 01" },
        { "socket", 0x10c4, "", path, "00", "10c4:6001 at " + path + " interface 00" },
        { "neither", 0x403, "", "", "00", "" },
        { "not USB", std::nullopt, "READER1", path, "", "" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(
            QtSystemPorts::usb_identity(row.vendor, 0x6001, row.serial, row.path, row.interface),
            row.identity);
    }
}

} // namespace
