#pragma once

#include "Pty.h"

#include <QString>

namespace reader_sim {

// The reader's end of the line: a pseudo-terminal pair (Pty) whose device side is, when a link
// path is given, reachable through a symbolic link there. The pair's own descriptor of the device
// would keep the answers sent while nobody has the device open, which a real line loses; so the
// opens and closes of the device are watched (inotify) to know whether anybody listens. The link is
// removed on destruction if it still points to this device.
class PtyDevice {
public:
    // Empty link_path: no link, the device is reached by its own path. On failure error is set
    // to a one-line reason and the device is not valid.
    explicit PtyDevice(const QString& link_path);
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    bool valid() const { return pty_.valid() && watch_ >= 0 && error_.isEmpty(); }
    const QString& error() const { return error_; }
    int master_fd() const { return pty_.master_fd(); }
    // Readable when the device was opened or closed since the last take_opens_and_closes().
    int watch_fd() const { return watch_; }
    // Counts the opens and closes; when the last user closes, drops what it left unread.
    void take_opens_and_closes();
    bool in_use() const { return users_ > 0; }
    // The path the tool opens: the link if there is one, else the device itself.
    QString path() const { return link_path_.isEmpty() ? pty_.device_path() : link_path_; }

private:
    void make_link(const QString& link_path);

    Pty pty_;
    int watch_ = -1;
    int users_ = 0;
    QString link_path_;
    QString error_;
};

} // namespace reader_sim
