#pragma once

#include "HangCeiling.h"

#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

// Makes a process that a test starts die with the test, also when the test is killed outright
// (ctest's timeout): the kernel sends the child SIGKILL when the test goes. A test that died before
// the child made the request would never send it, hence the check of the parent. The stop signals
// the tests send are handled as by default, also when the tests run under nohup: the programs keep
// a signal they were started with ignored.
inline void die_with_test(QProcess& process)
{
    const pid_t test = getpid();
    process.setChildProcessModifier([test] {
        for (const int stop_signal : { SIGHUP, SIGINT, SIGTERM })
            std::signal(stop_signal, SIG_DFL);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != test)
            _exit(1);
    });
}

// The exit code of a process that ended by itself, otherwise -1; only a hang takes a minute.
inline int exit_status(QProcess& process)
{
    process.waitForFinished(hang_ceiling_ms);
    return process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit
        ? process.exitCode()
        : -1;
}

// The simulated card reader as a child process, its device linked (the positional PATH) as COM1
// in a fresh temporary folder, or at link when one is given. Stopped with SIGTERM when destroyed,
// killed by QProcess if that fails.
class SimulatorProcess {
public:
    explicit SimulatorProcess(const QStringList& options = {}, const QString& link = {})
        : link_path_(link.isEmpty() ? folder_.filePath(QStringLiteral("COM1")) : link)
    {
        die_with_test(process_);
        process_.start(QStringLiteral(NOVARD_READER_SIM), options + QStringList { link_path_ });
        // The path comes in one write, once the device is ready.
        ready_ = process_.waitForReadyRead(hang_ceiling_ms)
            && process_.readLine().trimmed() == link_path_.toLocal8Bit();
    }
    ~SimulatorProcess() { stop(); }

    // Whether it printed its link's path, as it does once the device is ready.
    bool ready() const { return ready_; }
    QString folder() const { return folder_.path(); }
    const QString& link_path() const { return link_path_; }
    QProcess& process() { return process_; }

    // SIGTERM, then waits for its end; false if it hangs.
    bool stop()
    {
        process_.terminate();
        return process_.waitForFinished(hang_ceiling_ms)
            || process_.state() == QProcess::NotRunning;
    }

private:
    QTemporaryDir folder_;
    QString link_path_;
    QProcess process_;
    bool ready_ = false;
};
