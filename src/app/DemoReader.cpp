#include "DemoReader.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const QString reader_name = QStringLiteral("novard-reader-sim");

QString last_line(const QByteArray& text)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return QString::fromLocal8Bit(lines.back().trimmed());
}

} // namespace

DemoReader::DemoReader(const QString& program, int timeout_ms)
    : folder_(QDir::temp().filePath(QStringLiteral("novard-demo-XXXXXX")))
{
    if (!folder_.isValid()) {
        error_ = QStringLiteral("cannot make a folder for the ports: ") + folder_.errorString();
        return;
    }
    if (program.isEmpty()) {
        error_ = reader_name + QStringLiteral(" is neither beside this program nor on PATH");
        return;
    }
    // Runs in the child before exec: the reader gets SIGTERM when the tool dies, however it dies.
    // A parent that died before the request was made would never send it, hence the check.
    const pid_t parent = getpid();
    process_.setChildProcessModifier([parent] {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
    });
    process_.start(program, { QStringLiteral("--link"), link_path() });

    const QDeadlineTimer deadline(timeout_ms);
    while (!process_.canReadLine() && process_.state() != QProcess::NotRunning
        && !deadline.hasExpired())
        process_.waitForReadyRead(int(deadline.remainingTime()));
    if (process_.canReadLine() && process_.readLine().trimmed() == link_path().toLocal8Bit())
        return;

    if (process_.error() == QProcess::FailedToStart) {
        error_ = QStringLiteral("cannot start %1: %2").arg(program, process_.errorString());
    } else if (process_.state() == QProcess::NotRunning) {
        const QString why = last_line(process_.readAllStandardError());
        error_ = QStringLiteral("the simulated reader stopped (exit status %1)%2")
                     .arg(process_.exitCode())
                     .arg(why.isEmpty() ? QString() : QStringLiteral(": ") + why);
    } else {
        error_ = QStringLiteral("the simulated reader was not ready within %1 ms").arg(timeout_ms);
    }
}

DemoReader::~DemoReader()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    // SIGTERM lets the reader remove its link; the folder goes with folder_ in any case.
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

QString DemoReader::device() const
{
    return QFileInfo(link_path()).symLinkTarget();
}

QString DemoReader::find_program()
{
    // The build puts every program in one folder, as the package does.
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(reader_name);
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(reader_name);
}
