// The programs as processes. The simulated card reader through its real pseudo-terminal: the
// pace of its answers, its buffer, its link and its options. novard-demo: the
// reader that --demo starts, gone with the tool however it ends; stop signals; the options that
// end before any window. All three: standard descriptors closed or unwritable.

#include "DeviceNode.h"
#include "HangCeiling.h"
#include "PortLock.h"
#include "PosixDemoReader.h"
#include "Pty.h"
#include "SimulatorProcess.h"
#include "WireTrace.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <tuple>

namespace {

const QByteArray blank_read = "\x06\r" + QByteArray(16, ' ') + '\r';
constexpr int card_delay_ms = 30;

// The exit code of a process that ended by itself, otherwise -1; only a hang takes a minute.
int exit_status(QProcess& process)
{
    process.waitForFinished(hang_ceiling_ms);
    return process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit
        ? process.exitCode()
        : -1;
}

// Until count bytes came on the line or timeout_ms passed (by default only a hang reaches it).
QByteArray read(QFile& line, qsizetype count, int timeout_ms = hang_ceiling_ms)
{
    QByteArray bytes;
    const QDeadlineTimer deadline(timeout_ms);
    for (pollfd in { line.handle(), POLLIN, 0 }; bytes.size() < count && !deadline.hasExpired()
         && ::poll(&in, 1, int(deadline.remainingTime())) > 0;)
        bytes += line.read(count - bytes.size());
    return bytes;
}

// The tool's end of the line is opened by its path and not set raw here: the simulator must have
// done it, or CR would arrive as LF. It blocks, so that a write waits for room as a writer at full
// speed does.
TEST(ReaderSim, AnswersAsAReaderDoesAtTheLinePaceAndKeepsAReadersBufferUnderAFlood)
{
    SimulatorProcess sim({ "--delay", QString::number(card_delay_ms) });
    QFile line(sim.link_path());
    ASSERT_TRUE(sim.ready() && line.open(QIODevice::ReadWrite | QIODevice::Unbuffered));

    // ACK CR, the card's delay, then 17 bytes at 1.04 ms each: never sooner, however fast the
    // machine. The tool writes STX, the body and ETX separately.
    QElapsedTimer clock;
    clock.start();
    for (const char* part : { "\x02", "R04;730914", "\x03" })
        line.write(part);
    EXPECT_EQ(read(line, blank_read.size()), blank_read);
    EXPECT_GE(clock.elapsed(), card_delay_ms + 17);

    // Nothing more: the next frame's reply is the next thing on the line.
    line.write("\x02R04;730914\x03");
    EXPECT_EQ(read(line, blank_read.size()), blank_read);

    // A flood: each STX cuts the frame before it short, half a megabyte of NAK CR asked for; the
    // frame after it is answered.
    clock.restart();
    line.write(QByteArray(256 * 1024, '\x02') + "\x02R05;730914\x03");
    // The reader's buffer and what the line itself holds, and what the reader sent at its pace
    // (a byte a millisecond at most) while a loaded machine took its time over the writes.
    const qint64 bound = 8192 + clock.elapsed();
    QByteArray answers;
    for (QByteArray more; !answers.endsWith(blank_read)
         && answers.size() <= bound + blank_read.size() && !(more = read(line, 1)).isEmpty();)
        answers += more;
    // Whole NAK CRs, then the frame's answer.
    EXPECT_TRUE(answers.endsWith(blank_read)) << answers.size() << " bytes";
    EXPECT_EQ(answers.count("\x15\r") * 2 + blank_read.size(), answers.size());
    EXPECT_LE(answers.size(), bound + blank_read.size());

    // Not slower either: while it has answers to send, the kernel holds its pace timer at one
    // character (start, 8 data and stop bits at 9600 baud), whatever the load. A burst of STXs
    // keeps it sending for half a second; only a hang lets a hundred of them pass unseen. The
    // kernel reports a timer's interval as "(seconds, nanoseconds)".
    QString paced;
    const QString fds = QStringLiteral("/proc/%1/fdinfo").arg(sim.process().processId());
    for (int burst = 0; burst < 100 && paced.isEmpty(); ++burst) {
        line.write(QByteArray(300, '\x02'));
        for (const QDeadlineTimer sending(500); paced.isEmpty() && !sending.hasExpired();) {
            for (const QFileInfo& fd : QDir(fds).entryInfoList()) {
                QFile info(fd.filePath());
                if (info.open(QIODevice::ReadOnly))
                    paced += QString::fromLatin1(info.readAll()).section("it_interval: ", 1, 1);
            }
            paced = paced.remove("(0, 0)").trimmed();
        }
    }
    EXPECT_EQ(paced, "(0, 1041666)");
}

TEST(ReaderSim, OnlyADanglingLinkIsReplacedStopSignalsRemoveItAndBadOptionsExitTwo)
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("COM3"));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("gone")), link));
    for (const int stop_signal : { SIGTERM, SIGINT, SIGHUP }) {
        SCOPED_TRACE(sigabbrev_np(stop_signal));
        SimulatorProcess sim({ "--delay", "30", "--key", "AbC123", "--verbose" }, link);
        ASSERT_TRUE(sim.ready());
        EXPECT_EQ(exit_status(SimulatorProcess({}, link).process()), 1) << "a live link stays";
        QFile line(link);
        ASSERT_TRUE(line.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        line.write("\x02R30;AbC123\x03");
        EXPECT_EQ(read(line, blank_read.size()), blank_read);
        ::kill(pid_t(sim.process().processId()), stop_signal);
        EXPECT_EQ(exit_status(sim.process()), 0);
        EXPECT_FALSE(QFileInfo(link).isSymLink());
        EXPECT_TRUE(sim.process().readAllStandardError().contains("[STX]R30;AbC123[ETX]"));
    }
    const QString file = folder.filePath(QStringLiteral("COM2"));
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
    EXPECT_EQ(exit_status(SimulatorProcess({}, file).process()), 1) << "as does a plain file";
    EXPECT_TRUE(QFileInfo(file).isFile());

    // Bad options end with 2 and no link.
    for (const char* options :
        { "--bogus", "--key 12345", "--delay -1", "--delay", "--link x", "x" }) {
        SimulatorProcess sim(QString::fromLatin1(options).split(u' '));
        EXPECT_EQ(exit_status(sim.process()), 2) << options;
        EXPECT_FALSE(QFileInfo(sim.link_path()).isSymLink()) << options;
    }
}

// A reader that cannot start, or that says it is ready with no device behind its link, is
// reported in one line rather than waited for, and its folder goes. The real program finds the
// reader in the build tree and says where it is. A stop signal ends the tool as closing its window
// does: the port closed (only a closed port removes its lock file) and the reader with its folder
// gone. A kill that gives the tool no chance to clean up still stops the reader, which then
// removes its link; the next demo removes the folder and the lock file, but never another user's
// folder of that name. A TMPDIR that does not exist leaves the folder in /tmp, never in the
// current directory.
TEST(Demo, TheReaderGoesWithTheToolHoweverItEndsAndOneThatDoesNotStartIsOneLineAndNoHang)
{
    const QTemporaryDir scripts;
    qputenv("TMPDIR", QFile::encodeName(scripts.path()));
    const QString mine = scripts.filePath("novard-demo-999999999-aaaaaa");
    const QString theirs = scripts.filePath("novard-demo-999999999-bbbbbb");
    ASSERT_TRUE(QDir().mkdir(mine) && QDir().mkdir(theirs));
    // Another user's: only root can give it away.
    const bool other_user
        = ::chown(QFile::encodeName(theirs).constData(), getuid() + 1, getgid() + 1) == 0;
    const auto script = [&](const char* name, const QByteArray& text) {
        QFile file(scripts.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write("#!/bin/sh\n" + text)
            && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        return file.fileName();
    };
    // Only the silent one waits out its time; one that waited for the reader to end would hang.
    const std::tuple<QString, int, QString> readers[]
        = { { "", hang_ceiling_ms, " is neither beside this program" },
              { "/nonexistent/novard-reader-sim", hang_ceiling_ms, "cannot start " },
              { "/bin/false", hang_ceiling_ms, "stopped (exit status 1)" },
              { script("silent", "exec sleep 3600\n"), 300, "not ready within 300 ms" },
              { script("dies", "echo \"$2\"\n"), hang_ceiling_ms, "leads to no device" } };
    for (const auto& [program, timeout_ms, why] : readers) {
        SCOPED_TRACE(program.toStdString());
        std::optional<PosixDemoReader> demo(std::in_place, program, timeout_ms);
        EXPECT_TRUE(demo->error().contains(why) && !demo->error().contains(u'\n'))
            << demo->error().toStdString();
        const QString folder = demo->folder();
        demo.reset();
        EXPECT_FALSE(QFileInfo::exists(folder));
    }
    EXPECT_FALSE(QFileInfo::exists(mine)) << "left by a run that is gone";
    EXPECT_EQ(QFileInfo::exists(theirs), other_user) << "another user's";
    qputenv("TMPDIR", "/nonexistent/tmp");

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QString left_folder; // the killed run's
    for (const int signal_number : { SIGKILL, SIGTERM, SIGHUP, SIGINT }) {
        SCOPED_TRACE(sigabbrev_np(signal_number));
        QProcess tool;
        die_with_test(tool);
        const QString trace = scripts.filePath(sigabbrev_np(signal_number));
        tool.start(QStringLiteral(NOVARD_DEMO), { QStringLiteral("--demo"), "--trace", trace });
        ASSERT_TRUE(wait_for([&] { return tool.canReadLine(); }))
            << tool.readAllStandardError().toStdString();
        const qint64 pid = tool.processId();
        const QString said = QString::fromLocal8Bit(tool.readLine().trimmed());
        const QString folder = said.section(QStringLiteral(" as COM1 in "), 1);
        EXPECT_TRUE(folder.startsWith(QStringLiteral("/tmp/novard-demo-%1-").arg(pid)));
        const QFileInfo link(QDir(folder).filePath(QStringLiteral("COM1")));
        EXPECT_TRUE(said.contains(" on " + link.symLinkTarget() + " as ")) << said.toStdString();
        // The lock file names its holder first: a pseudo-terminal's number, and so the file's
        // name, may be another process's as soon as the tool lets go of it.
        const auto held = [lock = DeviceNode::lock_file(link.symLinkTarget()), pid] {
            return PortLock::holder(lock) == pid;
        };
        // Open for good: the port search's probe opens the port and closes it first.
        const auto opens = [&] {
            QFile lines(trace);
            return lines.open(QIODevice::ReadOnly) ? lines.readAll().count("open  ") : 0;
        };
        ASSERT_TRUE(wait_for([&] { return held() && opens() == 2; }));
        EXPECT_FALSE(QFileInfo::exists(left_folder)) << "left";

        ::kill(pid_t(pid), signal_number);
        const bool killed = signal_number == SIGKILL;
        EXPECT_EQ(exit_status(tool), killed ? -1 : 0) << tool.readAllStandardError().toStdString();
        EXPECT_TRUE(wait_for([&] { return !QFileInfo(link.filePath()).isSymLink(); }));
        EXPECT_EQ(std::pair(held(), QFileInfo::exists(folder)), std::pair(killed, killed));
        // The port was closed as closing the window closes it.
        QFile lines(trace);
        EXPECT_TRUE(lines.open(QIODevice::ReadOnly));
        EXPECT_EQ(lines.readAll().trimmed().endsWith("close " + QFile::encodeName(link.filePath())),
            !killed);
        if (killed)
            left_folder = folder;
    }
    qunsetenv("TMPDIR");
    if (!other_user)
        GTEST_SKIP() << "only root can leave a folder of another user's to be swept";
}

// Of the folder only what is there is listed; the system's own devices are not read beside it. A
// trace file that cannot be opened, a FIFO that nobody reads among them, or a language the tool
// does not speak is a one-line error before the tool looks for a display, quoting a long name cut
// short.
TEST(Demo, ListPortsBadTraceFilesAndABadLanguageEndBeforeAnyWindow)
{
    const QTemporaryDir folder;
    QFile com2(folder.filePath("COM2"));
    ASSERT_TRUE(com2.open(QIODevice::WriteOnly));
    // No display: what ends before a window needs none.
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        qunsetenv(name);
    QProcess tool;
    die_with_test(tool);
    tool.start(QStringLiteral(NOVARD_DEMO),
        { "--list-ports", "--port-dir", folder.path(), "--map", "COM9=/tmp/reader" });
    EXPECT_EQ(exit_status(tool), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromLocal8Bit(tool.readAllStandardOutput()),
        QStringLiteral("COM2 %1\nCOM9 /tmp/reader\n").arg(com2.fileName()));

    const QString fifo = folder.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString cannot_open = QStringLiteral("cannot open the trace file '%1': %2");
    const std::pair<QStringList, QString> refusals[] = {
        { { "--trace", folder.filePath("missing/wire.trace") },
            cannot_open.arg(folder.filePath("missing/wire.trace"), "No such file or directory") },
        { { "--trace", fifo }, cannot_open.arg(fifo, "no process reads it") },
        { { "--trace", "/tmp/" + QString(100'000, u'x') },
            cannot_open.arg("/tmp/" + QString(195, u'x') + "…", "File name too long") },
        { { "--language", "de" }, "--language takes ko or en, not 'de'" },
    };
    for (const auto& [options, error] : refusals) {
        SCOPED_TRACE(options.join(u' ').left(60).toStdString());
        tool.start(
            QStringLiteral(NOVARD_DEMO), QStringList { "--port-dir", folder.path() } + options);
        EXPECT_EQ(exit_status(tool), 2);
        EXPECT_EQ(
            QString::fromLocal8Bit(tool.readAllStandardError()), "novard-demo: " + error + '\n');
    }
}

// Each program ends with status 7 when standard output cannot take what it was asked to print.
// Started with its standard descriptors closed, novard-cli runs as with them on /dev/null, where
// its own messages cannot be taken for a stop signal, and under nohup SIGHUP does not stop it.
TEST(Programs, OutputNotWrittenIsStatus7ClosedDescriptorsAreNullAndNohupHolds)
{
    const QStringList mapped { "--map", "COM1=/dev/reader" };
    const std::pair<const char*, QStringList> rows[]
        = { { NOVARD_DEMO, { "--help" } }, { NOVARD_DEMO, QStringList { "--list-ports" } + mapped },
              { NOVARD_CLI, { "--version" } }, { NOVARD_CLI, QStringList { "ports" } + mapped },
              { NOVARD_READER_SIM, { "--help" } }, { NOVARD_READER_SIM, { "--version" } } };
    QProcess tool;
    die_with_test(tool);
    tool.setStandardOutputFile(QStringLiteral("/dev/full"));
    for (const auto& [program, arguments] : rows) {
        SCOPED_TRACE((QFileInfo(program).fileName() + ' ' + arguments[0]).toStdString());
        tool.start(program, arguments);
        EXPECT_EQ(exit_status(tool), 7);
    }
    // SIGHUP as the card is awaited: under nohup the card is written and told done all the same.
    SimulatorProcess sim({ "--manual", "--verbose" });
    ASSERT_TRUE(sim.ready());
    tool.start("/bin/sh",
        { "-c", R"(exec nohup "$0" "$@" <&- >&- 2>&-)", NOVARD_CLI, "issue", "08", "x",
            "--port-dir", sim.folder() });
    QByteArray frames;
    ASSERT_TRUE(wait_for(
        [&] { return (frames += sim.process().readAllStandardError()).contains("N08;"); }));
    ::kill(pid_t(tool.processId()), SIGHUP);
    sim.process().write("\n");
    sim.process().waitForBytesWritten(hang_ceiling_ms);
    EXPECT_EQ(exit_status(tool), 0);
}

// The wire trace on a FIFO: the tool never waits for its reader; one that goes away costs lines but
// neither the tool (no SIGPIPE) nor its lock file. The loss is told once on standard error, and
// once a reader is back the trace says how many lines were lost before it goes on.
TEST(Trace, LinesLostOnAFifoAreToldOnceAndCountedInTheTrace)
{
    Pty reader;
    ASSERT_TRUE(reader.valid()) << reader.error().toStdString();
    const QTemporaryDir folder;
    const QByteArray fifo = QFile::encodeName(folder.filePath(QStringLiteral("fifo")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    QFile trace;
    ASSERT_TRUE(trace.open(::open(fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC),
        QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle));
    QProcess tool;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    die_with_test(tool);
    tool.start(QStringLiteral(NOVARD_DEMO),
        { "--map", "COM1=" + reader.device_path(), "--port-dir", folder.path(), "--trace", fifo });
    QByteArray lines;
    const auto trace_shows = [&](const QByteArray& text, qsizetype times) {
        return wait_for([&] { return (lines += read(trace, 4096, 100)).count(text) >= times; });
    };
    // The search's probe opens the port and closes it, then the default opening opens it for good.
    ASSERT_TRUE(trace_shows("open  " + reader.device_path().toUtf8(), 2));

    // What the tool says on standard error, besides Qt's own warnings.
    QByteArray said;
    const auto tool_says = [&](const QByteArray& text) {
        return wait_for([&] { return (said += tool.readAllStandardError()).contains(text); });
    };
    trace.close();
    reader.write("\x06\r");
    EXPECT_TRUE(tool_says("novard-demo: cannot write the trace file: Broken pipe; the lines lost "
                          "are counted and noted in it once writing works again\n"))
        << said.constData();

    ASSERT_TRUE(trace.open(::open(fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC),
        QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle));
    reader.write("\x18\r");
    ASSERT_TRUE(trace_shows("recv  18 0D", 1));
    const QRegularExpressionMatch note = QRegularExpression(
        R"((^|\n)[-\d]+ [:.\d]+ trace (\d+) lines lost from \d\d:\d\d:\d\d\.\d{3})"
        R"( to \d\d:\d\d:\d\d\.\d{3}: Broken pipe\n[-\d]+ [:.\d]+ recv  18 0D)")
                                             .match(QString::fromUtf8(lines));
    ASSERT_TRUE(note.hasMatch() && note.captured(2).toInt() >= 1) << lines.constData();
    EXPECT_TRUE(tool_says("novard-demo: the trace file is written again; "
        + note.captured(2).toUtf8() + " lines were lost\n"));
    EXPECT_EQ(said.count("novard-demo: cannot write"), 1) << said.constData();

    ::kill(pid_t(tool.processId()), SIGTERM);
    EXPECT_EQ(exit_status(tool), 0) << "no SIGPIPE";
}

// A trace past its bound is kept as FILE.1 and begun anew, and one that was removed is made again;
// each new file says so in its first line.
TEST(Trace, AFullFileIsKeptAsFileDot1AndARemovedOneIsMadeAgain)
{
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("wire.trace"));
    WireTrace trace;
    ASSERT_TRUE(trace.open(QFile::encodeName(path), 1024));
    const auto first_line = [](const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readLine() : QByteArray();
    };
    // Each batch's line is over 400 bytes: the third goes to a new file.
    for (const char batch : { '1', '2', '3' })
        trace.received(QByteArray(100, batch));
    // Its frames hold Key A: a file begun anew, as a file made, is the owner's alone.
    struct stat made { };
    EXPECT_EQ(
        ::stat(QFile::encodeName(path).constData(), &made) == 0 ? made.st_mode & 07777 : 0, 0600u);
    QFile kept(path + ".1");
    EXPECT_TRUE(first_line(kept.fileName()).contains(" recv  31 31 31 "));
    EXPECT_TRUE(kept.open(QIODevice::ReadOnly) && kept.size() <= 1024
        && kept.readAll().contains(QByteArray(100, '2').toHex(' ')));
    EXPECT_TRUE(first_line(path).endsWith(
        " trace the trace file was full: it is begun anew, the lines before are in "
        + QFile::encodeName(kept.fileName()) + '\n'));
    ASSERT_TRUE(QFile::remove(path));
    trace.received("\x06\r");
    EXPECT_TRUE(first_line(path).endsWith(" trace the trace file was removed: it is begun anew\n"));
}

} // namespace
