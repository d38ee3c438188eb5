#pragma once

#include "CommResult.h"

#include <QCoreApplication>
#include <QString>
#include <optional>
#include <sys/types.h>

// The locks by which serial programs on this system keep out of each other's port, taken before
// QSerialPort opens the device: the lock file in /var/lock (LCK..name, whose first line is its
// holder's process id, as ten digits in the HDB form or as QLockFile writes it), and an exclusive
// flock on the device itself, which picocom takes instead. QSerialPort looks at the lock file too,
// but takes a live holder's lock in the HDB form for a stale one and removes it; and it never
// looks at flock. The flock is held on a descriptor of its own while the port is open.
class PortLock {
    Q_DECLARE_TR_FUNCTIONS(PortLock)

public:
    PortLock() = default;
    ~PortLock() { release(); }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

    // Looks at node's lock file and takes the flock on node; the failure, for device (the name the
    // operator gave), says which lock holds the port and whose it is. A lock file of a process that
    // has ended is removed, for QSerialPort to take the lock anew.
    CommResult take(const QString& node, const QString& device);
    void release();

    // The process id in a lock file's first line; none when it cannot be read as one.
    static std::optional<pid_t> holder(const QString& lock_file);

private:
    CommResult check_lock_file(const QString& lock_file, const QString& device) const;

    int fd_ = -1;
};
