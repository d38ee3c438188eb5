#include "QtSerialControl.h"
#include "PortLock.h"
#include "Pty.h"
#include "QtPrinters.h"
#include "QtSystemPorts.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>

namespace {

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
    QString lock_file() const
    {
        return "/var/lock/LCK.." + first.device_path().mid(5).replace(u'/', u'_');
    }
    // "process N holds the lock file" for the lock file of COM1.
    QString held_by(qint64 pid) const
    {
        return QStringLiteral("%1: 프로세스 %2이(가) 잠금 파일 %3을(를) 가지고 있습니다")
            .arg(first.device_path())
            .arg(pid)
            .arg(lock_file());
    }
    // COM1's speeds, framing and flow-control flags; asked on the master side, they are those of
    // the device side.
    using Line = std::tuple<speed_t, speed_t, tcflag_t, tcflag_t>;
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
    // A pseudo-terminal keeps 8 data bits and no parity whatever is asked, so the settings show
    // only through odd, mark and space parity, stop bits and speed. 1.5 stop bits are two on Linux.
    // There is never flow control.
    const std::pair<const char*, Line> cases[] = { { "9600,n,8,1", { B9600, B9600, 0, 0 } },
        { "1200,o,5,1.5", { B1200, B1200, PARODD | CSTOPB, 0 } },
        { "4800,m,6,1", { B4800, B4800, PARODD | CMSPAR, 0 } },
        { "2400,s,8,2", { B2400, B2400, CMSPAR | CSTOPB, 0 } } };
    for (const auto& [text, expected] : cases) {
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

    // Another serial program's lock file under /var/lock is what keeps even root out; a port of
    // this process takes it the same way, in QLockFile's form.
    control.set_comm_port(1);
    {
        QSerialPort holder(first.device_path());
        ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
        const CommResult busy = control.open_port();
        EXPECT_EQ(busy.detail(), held_by(getpid()));
        EXPECT_EQ(busy.kind(), CommResult::Kind::busy) << "told by the error, in any language";
    }
    ASSERT_TRUE(control.open_port()) << "once released, it opens";
    const QByteArray expected("\x02R04;\x7F\xC3\xA9\xC4\xAB\xB5\xE5\x03");
    ASSERT_TRUE(control.output(expected));
    // A reader that reads nothing fills the line's buffer: a send then waits, it is not refused;
    // the close gives up what waits, and says how much of it went out.
    struct Cut final : LineObserver {
        void written(QByteArrayView bytes) override { sent += bytes.size(); }
        void cut(qint64 went, qint64 unsent) override { told = { went, unsent }; }
        qint64 sent = 0;
        std::pair<qint64, qint64> told;
    } observer;
    control.set_observer(&observer);
    for (int i = 0; i < 64; ++i)
        ASSERT_TRUE(control.output(QByteArray(4096, 'x'))) << i;
    control.close_port();
    EXPECT_GT(observer.told.second, 0);
    EXPECT_EQ(observer.sent + observer.told.second, 64 * 4096);
    EXPECT_EQ((observer.told.first + observer.told.second) % 4096, 0) << "whole writes";
    const QByteArray start = first.read(expected.size());
    EXPECT_EQ(start.left(expected.size()), expected);

    const qint64 x_waiting = expected.size() + observer.sent - start.size();
    EXPECT_EQ(first.read(x_waiting, 60000), QByteArray(x_waiting, 'x'));

    // A frame given up on a pseudo-terminal: what it took was told as sent, and arrives.
    ASSERT_TRUE(control.open_port());
    observer.sent = 0;
    for (int i = 0; control.bytes_unsent() == 0; ++i)
        ASSERT_TRUE(control.output(QByteArray(4096, 'y'))) << i;
    EXPECT_GT(control.drop_unsent(), 0);
    const qint64 told_sent = observer.sent;
    ASSERT_TRUE(control.output("Z"));
    QByteArray arrived;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (arrived += first.read(4096, 10)).endsWith('Z'); }, 60000));
    EXPECT_TRUE(arrived == QByteArray(told_sent, 'y') + 'Z')
        << arrived.size() << " for " << told_sent;
}

// A lock file is read in the forms serial programs write: while its process lives the port is
// busy, named with it; one that names no process blocks the port, named and left in place; a dead
// process's is replaced. A bind mount of the device reaches the same lock.
TEST_F(SerialOnPty, LockFilesAreReadAsOtherProgramsWriteThemUnderTheKernelsName)
{
    const pid_t dead = fork();
    if (dead == 0)
        _exit(0);
    ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
    const QString blocks = first.device_path() + ": 잠금 파일 " + lock_file()
        + "을(를) 프로세스 번호로 읽을 수 없어 이 파일이 포트를 막고 있습니다 — 포트를 쓰는 "
          "프로그램이 없으면 이 파일을 지우십시오";
    const struct {
        const char* name;
        std::optional<QByteArray> content; // none: a directory
        QString refusal;
    } rows[] = {
        { "HDB form, live", QByteArray::number(getpid()).rightJustified(10) + '\n',
            held_by(getpid()) },
        { "garbage", "uucp\n", blocks },
        { "empty", "", blocks },
        { "a directory", std::nullopt, blocks },
        { "HDB form, dead", QByteArray::number(dead).rightJustified(10) + '\n', {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile lock(lock_file());
        ASSERT_TRUE(row.content ? lock.open(QIODevice::WriteOnly) && lock.write(*row.content) >= 0
                                : QDir().mkdir(lock.fileName()));
        lock.close();
        const CommResult result = control.open_port();
        EXPECT_EQ(result.detail(), row.refusal);
        EXPECT_EQ(result.kind() == CommResult::Kind::busy, row.refusal == held_by(getpid()));
        if (row.refusal.isEmpty()) {
            EXPECT_EQ(PortLock::holder(lock.fileName()), getpid()) << "QSerialPort's own";
        }
        if (row.content && !row.refusal.isEmpty() && lock.open(QIODevice::ReadOnly)) {
            EXPECT_EQ(lock.readAll(), *row.content) << "left in place";
        }
        control.close_port();
        (void)(QFile::remove(lock.fileName()) || QDir().rmdir(lock.fileName()));
    }

    if (geteuid() != 0)
        GTEST_SKIP() << "only root may bind-mount the device";
    const QString bound = folder.filePath(QStringLiteral("COM3"));
    ASSERT_TRUE(QFile(bound).open(QIODevice::WriteOnly));
    if (QProcess::execute("mount", { "--bind", first.device_path(), bound }) != 0)
        GTEST_SKIP() << "mount --bind refused (no CAP_SYS_ADMIN here)";
    ASSERT_TRUE(control.open_port());
    QtSerialControl second(make_map());
    second.set_comm_port(3);
    const CommResult busy = second.open_port();
    EXPECT_EQ(QProcess::execute("umount", { bound }), 0);
    EXPECT_EQ(busy.detail(), held_by(getpid()).replace(first.device_path(), bound));
}

// picocom locks the device with flock and no lock file; each sees the other busy, and a port it
// holds keeps its settings.
TEST_F(SerialOnPty, PicocomAndTheToolEachFindTheOtherHoldingThePort)
{
    if (QStandardPaths::findExecutable("picocom").isEmpty())
        GTEST_SKIP() << "picocom is not installed (scripts/install-deps.sh test installs it)";
    Pty terminal;
    QByteArray said;
    QProcess picocom;
    picocom.setChildProcessModifier([fd = terminal.slave_fd()] {
        // A session of its own: picocom, as it ends, signals its whole process group.
        setsid();
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        for (int standard = 0; standard <= 2; ++standard)
            dup2(fd, standard);
    });
    const auto picocom_says = [&](const QByteArray& text) {
        return QTest::qWaitFor(
            [&] { return (said += terminal.read(4096, 50)).contains(text); }, 60000);
    };
    picocom.start("picocom", { "--noreset", first.device_path() });
    ASSERT_TRUE(picocom_says("Terminal ready")) << said.constData();
    ASSERT_TRUE(control.set_settings(QStringLiteral("1200,n,8,1")));
    EXPECT_EQ(control.open_port().detail(),
        first.device_path() + ": 다른 프로그램이 장치를 잠가 두었습니다 (flock)");
    EXPECT_EQ(std::get<0>(line()), speed_t(B9600)) << "picocom's settings untouched";
    picocom.terminate();
    ASSERT_TRUE(picocom.waitForFinished(60000));

    ASSERT_TRUE(control.open_port());
    said.clear();
    picocom.start("picocom", { "--noreset", first.device_path() });
    EXPECT_TRUE(picocom.waitForFinished(60000) && picocom.exitCode() != 0);
    EXPECT_TRUE(picocom_says("FATAL: cannot lock " + first.device_path().toUtf8()));
}

TEST_F(SerialOnPty, BytesArriveInBoundedBatchesUnchangedUntilTheDeviceGoes)
{
    // RThreshold starts at 0, as on the classic control: the bytes wait unannounced.
    ASSERT_TRUE(control.open_port());
    QByteArray sent;
    for (int i = 0; i < 100000; ++i)
        sent += char(i * 7); // every byte value
    for (qsizetype at = 0; at < sent.size(); at += 4000) {
        first.write(sent.mid(at, 4000));
        QTest::qWait(5);
    }
    QTest::qWait(100);
    EXPECT_TRUE(events.isEmpty()) << "no notification at RThreshold 0";
    control.set_rthreshold(1);
    first.write("!");
    sent += '!';
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == sent.size(); }, 60000));
    EXPECT_TRUE(received == sent) << "in order, none lost, none changed";
    EXPECT_GE(batch_sizes.count(SerialControl::max_batch_bytes), 2);

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
    ASSERT_TRUE(QTest::qWaitFor([&] { return !events.isEmpty(); }, 60000));
    QTest::qWait(100);
    EXPECT_EQ(events.size(), 1);
    taking = true;
    first.write("C");
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == sent.size() + 3; }, 60000));
    EXPECT_EQ(received.sliced(sent.size()), QByteArray("ABC")) << "the waiting bytes were kept";

    // The device goes.
    events.clear();
    first.close_master();
    // Turns the event loop only until the control has seen its device go: the close that follows
    // the loss is then still pending when COM2 is opened.
    for (int turn = 0; control.port_open() && turn < 60000; ++turn) {
        QCoreApplication::processEvents();
        QTest::qSleep(1);
    }
    ASSERT_FALSE(control.port_open());
    control.set_comm_port(2);
    ASSERT_TRUE(control.open_port());
    EXPECT_FALSE(control.device_lost()) << "another port was chosen";
    QTest::qWait(100);
    ASSERT_TRUE(control.output("R")) << "the pending close leaves the new port be";

    // A device with no identity is not looked for: nothing wakes the control (no timer, no
    // watched folder, no notifier on the dead device), nothing is reported, not even another
    // device at its node, and its port stays lost until it is chosen again and opens.
    second.close_master();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !events.isEmpty(); }, 60000));
    for (const QTimer* timer : control.findChildren<QTimer*>())
        EXPECT_FALSE(timer->isActive());
    for (const QFileSystemWatcher* watcher : control.findChildren<QFileSystemWatcher*>())
        EXPECT_EQ(watcher->directories(), QStringList());
    for (const QSocketNotifier* notifier :
        control.findChild<QSerialPort*>()->findChildren<QSocketNotifier*>())
        EXPECT_FALSE(notifier->isEnabled());
    EXPECT_FALSE(control.open_port());
    EXPECT_TRUE(control.device_lost() && !control.port_open()) << "its own failure keeps it lost";
    Pty plugged;
    ASSERT_TRUE(QFile::remove(com2()) && QFile::link(plugged.device_path(), com2()));
    QTest::qWait(1200);
    EXPECT_EQ(events, QList { SerialControl::CommEvent::device_lost });
    ASSERT_TRUE(control.open_port());
    EXPECT_FALSE(control.device_lost());
    ASSERT_TRUE(control.output("R"));
    EXPECT_EQ(plugged.read(1), "R");
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
