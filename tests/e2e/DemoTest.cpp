// The novard-demo program as a process and its demonstration reader: the simulated reader that
// --demo starts as COM1, gone with the tool however it ends; a reader that cannot start reported in
// one line rather than waited for; stop signals; the options that end before any window.

#include "ChildProcess.h"
#include "DemoReader.h"
#include "Pty.h"
#include "SimulatorProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// Started without a display unless offscreen is asked: what ends before a window needs none.
void start_tool(QProcess& tool, const QStringList& arguments, bool offscreen = false)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    if (offscreen)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    tool.setProcessEnvironment(environment);
    die_with_test(tool);
    tool.start(QStringLiteral(NOVARD_DEMO), arguments);
}

TEST(Demo, ReaderIsCom1UntilTheDemoEndsAndOneThatDoesNotStartIsOneLineAndNoHang)
{
    QString folder;
    {
        const DemoReader demo(SimulatorProcess::program());
        ASSERT_TRUE(demo.error().isEmpty()) << demo.error().toStdString();
        folder = demo.folder();
        EXPECT_TRUE(demo.device().startsWith(QStringLiteral("/dev/pts/")));
        EXPECT_EQ(QDir(folder).entryList(QDir::System | QDir::NoDotAndDotDot),
            QStringList { QStringLiteral("COM1") });
    }
    EXPECT_FALSE(QFileInfo::exists(folder));

    const QTemporaryDir scripts;
    QFile silent(scripts.filePath(QStringLiteral("silent")));
    ASSERT_TRUE(silent.open(QIODevice::WriteOnly));
    silent.write("#!/bin/sh\nexec sleep 30\n");
    silent.setPermissions(silent.permissions() | QFileDevice::ExeOwner);
    silent.close();
    for (const QString& program : { QString(), QStringLiteral("/nonexistent/novard-reader-sim"),
             QStringLiteral("/bin/false"), silent.fileName() }) {
        QElapsedTimer elapsed;
        elapsed.start();
        {
            const DemoReader demo(program, 300);
            EXPECT_FALSE(demo.error().isEmpty()) << program.toStdString();
            EXPECT_FALSE(demo.error().contains(u'\n')) << demo.error().toStdString();
            folder = demo.folder();
        }
        EXPECT_LT(elapsed.elapsed(), 3000) << program.toStdString();
        EXPECT_FALSE(QFileInfo::exists(folder)) << program.toStdString();
    }
}

// The real program finds the reader in the build tree, says where it is, and a kill that gives the
// tool no chance to clean up still stops the reader, which then removes its link.
TEST(Demo, ToolKilledOutrightStopsItsReader)
{
    QProcess tool;
    start_tool(tool, { QStringLiteral("--demo") }, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tool.canReadLine(); }, 10000))
        << tool.readAllStandardError().toStdString();
    const QString said = QString::fromLocal8Bit(tool.readLine().trimmed());
    ASSERT_TRUE(said.contains(QStringLiteral(" as COM1 in "))) << said.toStdString();
    const QString folder = said.section(QStringLiteral(" as COM1 in "), 1);
    const QFileInfo link(QDir(folder).filePath(QStringLiteral("COM1")));
    EXPECT_TRUE(link.symLinkTarget().startsWith(QStringLiteral("/dev/pts/")));

    ::kill(pid_t(tool.processId()), SIGKILL);
    tool.waitForFinished(5000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo(link.filePath()).isSymLink(); }, 5000));
    QDir(folder).removeRecursively();
}

TEST(DemoProcess, EachStopSignalEndsTheToolAsClosingItsWindowDoes)
{
    for (const int signal_number : { SIGTERM, SIGHUP, SIGINT }) {
        SCOPED_TRACE(strsignal(signal_number));
        Pty pty;
        ASSERT_TRUE(pty.valid());
        const QTemporaryDir no_ports;
        QProcess tool;
        start_tool(tool,
            { QStringLiteral("--map"), QStringLiteral("COM1=") + pty.device_path(),
                QStringLiteral("--port-dir"), no_ports.path() },
            true);
        // QSerialPort's lock file: the device's path below /dev with "_" for "/", after "LCK..".
        const QString lock
            = QStringLiteral("/run/lock/LCK..") + pty.device_path().mid(5).replace(u'/', u'_');
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(lock); }, 5000));
        pty.close_slave();

        ::kill(pid_t(tool.processId()), signal_number);
        ASSERT_TRUE(tool.waitForFinished(5000));
        EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
        // Only a closed port removes its lock; a killed tool would leave it for the next user.
        EXPECT_FALSE(QFileInfo::exists(lock));
        EXPECT_TRUE(pty.hung_up());
    }
}

// Of the folder only what is there is listed; the system's own devices are not read beside it. A
// trace file that cannot be opened is a one-line error before the tool looks for a display.
TEST(DemoProcess, ListPortsAndABadTraceFileEndBeforeAnyWindow)
{
    const QTemporaryDir folder;
    QFile com2(folder.filePath("COM2"));
    ASSERT_TRUE(com2.open(QIODevice::WriteOnly));
    QProcess tool;
    start_tool(tool, { "--list-ports", "--port-dir", folder.path(), "--map", "COM9=/tmp/reader" });
    ASSERT_TRUE(tool.waitForFinished(10000));
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromLocal8Bit(tool.readAllStandardOutput()),
        QStringLiteral("COM2 %1\nCOM9 /tmp/reader\n").arg(com2.fileName()));

    const QString trace = folder.filePath(QStringLiteral("missing/wire.trace"));
    start_tool(
        tool, { QStringLiteral("--port-dir"), folder.path(), QStringLiteral("--trace"), trace });
    ASSERT_TRUE(tool.waitForFinished(5000));
    EXPECT_EQ(tool.exitCode(), 2);
    const QString error = QString::fromLocal8Bit(tool.readAllStandardError());
    EXPECT_TRUE(error.startsWith(QStringLiteral("novard-demo: ")) && error.contains(trace))
        << error.toStdString();
    EXPECT_EQ(error.count(u'\n'), 1);
}

} // namespace
