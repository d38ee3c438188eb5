// The demonstration with no hardware: the simulated reader that novard-demo --demo starts as COM1,
// its folder gone with it, the reader gone with a killed tool, and a reader that cannot start
// reported in one line rather than waited for.

#include "ChildProcess.h"
#include "DemoReader.h"
#include "SimulatorProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

namespace {

TEST(Demo, ReaderIsCom1UntilTheDemoEnds)
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
}

TEST(Demo, ReaderThatDoesNotStartIsOneLineAndNoHang)
{
    const QTemporaryDir scripts;
    const QString silent = scripts.filePath(QStringLiteral("silent"));
    QFile script(silent);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexec sleep 30\n");
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    script.close();

    for (const QString& program : { QString(), QStringLiteral("/nonexistent/novard-reader-sim"),
             QStringLiteral("/bin/false"), silent }) {
        QElapsedTimer elapsed;
        elapsed.start();
        QString folder;
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
    die_with_test(tool);
    tool.start(QStringLiteral(NOVARD_DEMO), { QStringLiteral("--demo") });
    const QDeadlineTimer deadline(10000);
    while (!tool.canReadLine() && tool.state() != QProcess::NotRunning && !deadline.hasExpired())
        tool.waitForReadyRead(int(deadline.remainingTime()));
    const QString said = QString::fromLocal8Bit(tool.readLine().trimmed());
    ASSERT_TRUE(said.contains(QStringLiteral(" as COM1 in ")))
        << said.toStdString() << tool.readAllStandardError().toStdString();
    const QString folder = said.section(QStringLiteral(" as COM1 in "), 1);
    const QFileInfo link(QDir(folder).filePath(QStringLiteral("COM1")));
    EXPECT_TRUE(link.symLinkTarget().startsWith(QStringLiteral("/dev/pts/")));

    ::kill(pid_t(tool.processId()), SIGKILL);
    tool.waitForFinished(5000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo(link.filePath()).isSymLink(); }, 5000));
    QDir(folder).removeRecursively();
}

} // namespace
