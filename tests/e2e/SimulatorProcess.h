#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The simulated card reader as a child process, its device linked as COM1 (or another name) in a
// fresh temporary folder. Stopped with SIGTERM when destroyed.
class SimulatorProcess {
public:
    static QString program();

    explicit SimulatorProcess(
        const QStringList& options = {}, const QString& link_name = QStringLiteral("COM1"));
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Whether it printed its link's path, as it does once the device is ready.
    bool ready() const { return ready_; }
    const QString& folder() const { return folder_path_; }
    QString link_path() const;
    QProcess& process() { return process_; }

    // Presents the card when it was started with --manual.
    void press_enter();
    // SIGTERM, then waits up to timeout_ms; false if it did not end in time.
    bool stop(int timeout_ms = 3000);

private:
    QTemporaryDir folder_;
    QString folder_path_;
    QString link_name_;
    QProcess process_;
    bool ready_ = false;
};
