#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair: the line between the tool and whatever plays the reader (a test, a
// benchmark, the simulated reader). The tool opens the device (slave) side by its path; the other
// end is played on the master side, which does not block. The device side is set raw, so every
// byte value passes unchanged, and is kept open here too, so that the master never reads EIO
// between the tool's close and reopen of the device. Neither descriptor passes to a child process.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool valid() const { return master_ >= 0; }
    // Why the pair could not be made, in one line; empty when valid.
    const QString& error() const { return error_; }
    const QString& device_path() const { return path_; }
    int master_fd() const { return master_; }
    int slave_fd() const { return slave_; }

    // Writes all bytes to the master side.
    void write(const QByteArray& bytes);
    // Reads from the master side until count bytes came or timeout_ms passed; returns what came.
    QByteArray read(qsizetype count, int timeout_ms = 2000);
    // Closes the master side: to the tool this is the device going away.
    void close_master();

private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
    QString error_;
};
