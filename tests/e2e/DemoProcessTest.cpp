// The novard-demo program as a process: a stop by signal, and a trace file it cannot open.

#include "ChildProcess.h"
#include "Pty.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>

namespace {

QString demo()
{
    return QStringLiteral(NOVARD_DEMO);
}

// QSerialPort's lock file: the device's path below /dev with "_" for "/", after "LCK..".
QString lock_file(const QString& device)
{
    return QStringLiteral("/run/lock/LCK..") + device.mid(5).replace(u'/', u'_');
}

TEST(DemoProcess, EachStopSignalEndsTheToolAsClosingItsWindowDoes)
{
    for (const int signal_number : { SIGTERM, SIGHUP, SIGINT }) {
        SCOPED_TRACE(strsignal(signal_number));
        Pty pty;
        ASSERT_TRUE(pty.valid());
        const QTemporaryDir no_ports;
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(environment);
        die_with_test(tool);
        tool.start(demo(),
            { QStringLiteral("--map"), QStringLiteral("COM1=") + pty.device_path(),
                QStringLiteral("--port-dir"), no_ports.path() });
        const QString lock = lock_file(pty.device_path());
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

TEST(DemoProcess, ATraceFileThatCannotBeOpenedIsAOneLineErrorBeforeAnyWindow)
{
    const QTemporaryDir folder;
    const QString trace = folder.filePath(QStringLiteral("missing/wire.trace"));
    QProcess tool;
    // No display: the error must come before the tool looks for one.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" })
        environment.remove(QString::fromLatin1(name));
    tool.setProcessEnvironment(environment);
    die_with_test(tool);
    tool.start(
        demo(), { QStringLiteral("--port-dir"), folder.path(), QStringLiteral("--trace"), trace });
    ASSERT_TRUE(tool.waitForFinished(5000));
    EXPECT_EQ(tool.exitCode(), 2);
    const QString error = QString::fromLocal8Bit(tool.readAllStandardError());
    EXPECT_TRUE(error.startsWith(QStringLiteral("novard-demo: ")) && error.contains(trace))
        << error.toStdString();
    EXPECT_EQ(error.count(u'\n'), 1);
}

} // namespace
