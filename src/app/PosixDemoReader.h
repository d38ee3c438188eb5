#pragma once

#include "DemoReader.h"
#include "SerialControl.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The demonstration's card reader where there are pseudo-terminals: novard-reader-sim on one,
// linked as COM1 in a private temporary folder that becomes the tool's folder of ports. Destroying
// it stops the reader and removes the folder, so every return from main cleans up; if the tool is
// killed outright, the kernel sends the reader SIGTERM and the reader removes its link itself, and
// the next demo removes the folder and its port's lock file. The folder is in TMPDIR, or in /tmp
// when TMPDIR is unusable.
class PosixDemoReader final : public DemoReader {
public:
    // Starts program; wait_ready() waits for it to report that its device is ready.
    explicit PosixDemoReader(const QString& program);
    ~PosixDemoReader() override;

    bool wait_ready(int timeout_ms = 5000) override;
    // Empty when the reader is ready and its link leads to its device (or is still starting).
    QString error() const override { return error_; }
    QString where() const override;
    // The system's serial control over the folder, where COM1 is the reader.
    std::unique_ptr<SerialControl> make_line(PortMap map) const override;

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
