// novard-demo as a process: the reader that --demo starts, gone with the tool however it ends; stop
// signals; the options that end before any window.

#include "DeviceNode.h"
#include "PortLock.h"
#include "PosixDemoReader.h"
#include "SimulatorProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <tuple>

namespace {

// A reader that cannot start, or that says it is ready with no device behind its link, is
// reported in one line rather than waited for, and its folder goes. A folder left by a run that is
// gone is removed, but never another user's folder of that name.
TEST(Demo, AReaderThatDoesNotStartIsOneLineAndNoHangAndAGoneRunsFolderIsSwept)
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
        std::optional<PosixDemoReader> demo(std::in_place, program);
        EXPECT_FALSE(demo->wait_ready(timeout_ms));
        EXPECT_TRUE(demo->error().contains(why) && !demo->error().contains(u'\n'))
            << demo->error().toStdString();
        const QString folder = demo->folder();
        demo.reset();
        EXPECT_FALSE(QFileInfo::exists(folder));
    }
    EXPECT_FALSE(QFileInfo::exists(mine)) << "left by a run that is gone";
    EXPECT_EQ(QFileInfo::exists(theirs), other_user) << "another user's";
    qunsetenv("TMPDIR");
    if (!other_user)
        GTEST_SKIP() << "only root can leave a folder of another user's to be swept";
}

// The real program finds the reader in the build tree and says where it is. A stop signal ends the
// tool as closing its window does: the port closed (only a closed port removes its lock file) and
// the reader with its folder gone. A kill that gives the tool no chance to clean up still stops the
// reader, which then removes its link; the next demo removes the folder and the lock file. A
// TMPDIR that does not exist leaves the folder in /tmp, never in the current directory.
TEST(Demo, TheReaderGoesWithTheToolHoweverItEnds)
{
    const QTemporaryDir traces;
    qputenv("TMPDIR", "/nonexistent/tmp");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QString left_folder; // the killed run's
    for (const int signal_number : { SIGKILL, SIGTERM, SIGHUP, SIGINT }) {
        SCOPED_TRACE(sigabbrev_np(signal_number));
        QProcess tool;
        die_with_test(tool);
        const QString trace = traces.filePath(sigabbrev_np(signal_number));
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
    tool.start(QStringLiteral(NOVARD_DEMO), { "--port-dir", folder.path() });
    EXPECT_EQ(exit_status(tool), 1);
    EXPECT_EQ(tool.readAllStandardError(),
        "novard-demo: no display to open the window on (DISPLAY is not set)\n");
}

} // namespace
