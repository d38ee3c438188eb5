// The two programs as processes. The simulated card reader through its real pseudo-terminal: the
// pace of its answers, its buffer, its link and its options. novard-demo: the
// reader that --demo starts, gone with the tool however it ends; stop signals; the options that
// end before any window.

#include "DemoReader.h"
#include "SimulatorProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>

namespace {

const QByteArray ack_cr("\x06\r");
const QByteArray nak_cr("\x15\r");
const QByteArray blank_read = ack_cr + QByteArray(16, ' ') + '\r';
constexpr int card_delay_ms = 30;

QByteArray frame(const QByteArray& body)
{
    return '\x02' + body + '\x03';
}
QByteArray read_frame(const QByteArray& address)
{
    return frame("R" + address + ";730914");
}

// The exit code of a process that ended by itself within 10 s, otherwise -1.
int exit_status(QProcess& process)
{
    process.waitForFinished(10000);
    return process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit
        ? process.exitCode()
        : -1;
}

// Until count bytes came on the line or timeout_ms passed; the default count: whatever comes.
QByteArray read(QFile& line, qsizetype count = 4096, int timeout_ms = 2000)
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

    // ACK CR, the card's delay, then 17 bytes at 1.04 ms each; sent at once they would all come
    // right after the delay. The tool writes STX, the body and ETX separately.
    QElapsedTimer clock;
    clock.start();
    for (const char* part : { "\x02", "R04;730914", "\x03" })
        line.write(part);
    EXPECT_EQ(read(line, blank_read.size()), blank_read);
    EXPECT_GE(clock.elapsed(), card_delay_ms + 15);

    // Nothing more, long after the card's delay.
    EXPECT_EQ(read(line, 4096, card_delay_ms + 120), QByteArray());

    // A flood: each STX cuts the frame before it short, half a megabyte of NAK CR asked for; the
    // frame after it is answered.
    clock.restart();
    line.write(QByteArray(256 * 1024, '\x02') + read_frame("05"));
    // The reader's buffer and what the line itself holds, and what the reader sent at its pace
    // (a byte a millisecond at most) while a loaded machine took its time over the writes.
    const qint64 bound = 8192 + clock.elapsed();
    QByteArray answers;
    for (QByteArray more; !answers.endsWith(blank_read)
         && answers.size() <= bound + blank_read.size()
         && !(more = read(line, 1, 20000)).isEmpty();)
        answers += more;
    // Whole NAK CRs, then the frame's answer.
    EXPECT_TRUE(answers.endsWith(blank_read)) << answers.size() << " bytes";
    EXPECT_EQ(answers.count(nak_cr) * 2 + blank_read.size(), answers.size());
    EXPECT_LE(answers.size(), bound + blank_read.size());
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
        line.write(frame("R30;AbC123"));
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

    // Help and version end with 0, bad options with 2 and no link.
    const std::pair<const char*, int> runs[]
        = { { "--help", 0 }, { "--version", 0 }, { "--bogus", 2 }, { "--key 12345", 2 },
              { "--delay -1", 2 }, { "--delay", 2 }, { "--link x", 2 }, { "x", 2 } };
    for (const auto& [options, status] : runs) {
        SimulatorProcess sim(QString::fromLatin1(options).split(u' '));
        EXPECT_EQ(exit_status(sim.process()), status) << options;
        EXPECT_FALSE(QFileInfo(sim.link_path()).isSymLink()) << options;
    }
}

// A reader that cannot start is reported in one line rather than waited for, and its folder goes.
// The real program finds the reader in the build tree and says where it is. A stop signal ends the
// tool as closing its window does: the port closed (only a closed port removes its lock file) and
// the reader with its folder gone. A kill that gives the tool no chance to clean up still stops the
// reader, which then removes its link.
TEST(Demo, TheReaderGoesWithTheToolHoweverItEndsAndOneThatDoesNotStartIsOneLineAndNoHang)
{
    const QTemporaryDir scripts;
    QFile silent(scripts.filePath(QStringLiteral("silent")));
    ASSERT_TRUE(silent.open(QIODevice::WriteOnly) && silent.write("#!/bin/sh\nexec sleep 30\n")
        && silent.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    silent.close();
    const std::pair<QString, QString> readers[] = { { "", " is neither beside this program" },
        { "/nonexistent/novard-reader-sim", "cannot start " },
        { "/bin/false", "stopped (exit status 1)" },
        { silent.fileName(), "not ready within 300 ms" } };
    for (const auto& [program, why] : readers) {
        QElapsedTimer elapsed;
        elapsed.start();
        std::optional<DemoReader> demo(std::in_place, program, 300);
        EXPECT_TRUE(demo->error().contains(why) && !demo->error().contains(u'\n'))
            << program.toStdString() << ": " << demo->error().toStdString();
        const QString folder = demo->folder();
        demo.reset();
        EXPECT_LT(elapsed.elapsed(), 3000) << program.toStdString();
        EXPECT_FALSE(QFileInfo::exists(folder)) << program.toStdString();
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const int signal_number : { SIGKILL, SIGTERM, SIGHUP, SIGINT }) {
        SCOPED_TRACE(sigabbrev_np(signal_number));
        QProcess tool;
        die_with_test(tool);
        tool.start(QStringLiteral(NOVARD_DEMO), { QStringLiteral("--demo") });
        ASSERT_TRUE(QTest::qWaitFor([&] { return tool.canReadLine(); }, 10000))
            << tool.readAllStandardError().toStdString();
        const QString said = QString::fromLocal8Bit(tool.readLine().trimmed());
        const QString folder = said.section(QStringLiteral(" as COM1 in "), 1);
        const QFileInfo link(QDir(folder).filePath(QStringLiteral("COM1")));
        EXPECT_TRUE(said.contains(" on " + link.symLinkTarget() + " as ")) << said.toStdString();
        // QSerialPort's lock file: the port's path with "_" for "/", after "LCK..".
        const QString lock = "/run/lock/LCK.." + QString(link.filePath()).replace(u'/', u'_');
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(lock); }, 5000));

        ::kill(pid_t(tool.processId()), signal_number);
        const bool killed = signal_number == SIGKILL;
        EXPECT_EQ(exit_status(tool), killed ? -1 : 0) << tool.readAllStandardError().toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo(link.filePath()).isSymLink(); }, 5000));
        EXPECT_EQ(QFile::remove(lock), killed);
        EXPECT_EQ(QFileInfo::exists(folder), killed);
        QDir(folder).removeRecursively();
    }
}

// Of the folder only what is there is listed; the system's own devices are not read beside it. A
// trace file that cannot be opened or a language the tool does not speak is a one-line error
// before the tool looks for a display.
TEST(Demo, ListPortsABadTraceFileAndABadLanguageEndBeforeAnyWindow)
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

    const QString trace = folder.filePath(QStringLiteral("missing/wire.trace"));
    tool.start(QStringLiteral(NOVARD_DEMO), { "--port-dir", folder.path(), "--trace", trace });
    EXPECT_EQ(exit_status(tool), 2);
    const QString error = QString::fromLocal8Bit(tool.readAllStandardError());
    EXPECT_TRUE(error.startsWith(QStringLiteral("novard-demo: ")) && error.contains(trace))
        << error.toStdString();
    EXPECT_EQ(error.count(u'\n'), 1);
    tool.start(QStringLiteral(NOVARD_DEMO), { "--language", "de" });
    EXPECT_EQ(exit_status(tool), 2);
    EXPECT_EQ(tool.readAllStandardError(), "novard-demo: --language takes ko or en, not 'de'\n");
}

} // namespace
