#include "SimulatorProcess.h"

#include <QDeadlineTimer>

QString SimulatorProcess::program()
{
    return QStringLiteral(NOVARD_READER_SIM);
}

SimulatorProcess::SimulatorProcess(const QStringList& options, const QString& link_name)
    : folder_path_(folder_.path())
    , link_name_(link_name)
{
    process_.start(program(), QStringList(options) << QStringLiteral("--link") << link_path());
    QDeadlineTimer deadline(5000);
    while (!process_.canReadLine() && process_.state() != QProcess::NotRunning
        && !deadline.hasExpired())
        process_.waitForReadyRead(int(deadline.remainingTime()));
    ready_ = process_.readLine().trimmed() == link_path().toLocal8Bit();
}

SimulatorProcess::~SimulatorProcess()
{
    if (!stop()) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

QString SimulatorProcess::link_path() const
{
    return folder_path_ + u'/' + link_name_;
}

void SimulatorProcess::press_enter()
{
    process_.write("\n");
    process_.waitForBytesWritten(1000);
}

bool SimulatorProcess::stop(int timeout_ms)
{
    if (process_.state() == QProcess::NotRunning)
        return true;
    process_.terminate();
    return process_.waitForFinished(timeout_ms);
}
