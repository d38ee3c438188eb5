#pragma once

#include "SerialControl.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The demonstration's card reader: novard-reader-sim on a pseudo-terminal, linked as COM1 in a
// private temporary folder that becomes the tool's folder of ports. Destroying it stops the reader
// and removes the folder, so every return from main cleans up; if the tool is killed outright, the
// kernel sends the reader SIGTERM and the reader removes its link itself, and the next demo removes
// the folder and its port's lock file. The folder is in TMPDIR, or in /tmp when TMPDIR is unusable.
class DemoReader {
public:
    // Starts program; the tool goes on with its own start meanwhile, and waits for it only when it
    // needs its device.
    explicit DemoReader(const QString& program);
    ~DemoReader();
    DemoReader(const DemoReader&) = delete;
    DemoReader& operator=(const DemoReader&) = delete;

    // Waits at most timeout_ms for the reader to report that its device is ready; false, with the
    // reason in error(), when it did not start, stopped, or its link leads to no device.
    bool wait_ready(int timeout_ms = 5000);
    // Empty when the reader is ready and its link leads to its device (or is still starting);
    // otherwise why not, in one line.
    const QString& error() const { return error_; }
    QString folder() const { return folder_.path(); }
    // The pseudo-terminal that COM1 leads to.
    QString device() const;

    // novard-reader-sim beside the running program, or on PATH; empty when there is none.
    static QString find_program();

private:
    QString link_path() const { return folder_.filePath(SerialControl::port_name(1)); }

    QTemporaryDir folder_;
    QProcess process_;
    QString program_;
    QString error_;
};
