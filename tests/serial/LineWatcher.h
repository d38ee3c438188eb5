#pragma once

#include "SerialControl.h"

#include <QByteArray>
#include <QList>

// Plays the window's part on OnComm: records every CommEvent and, while taking, takes the waiting
// bytes with one Input per data-received notification, as the reply decoder does.
class LineWatcher {
public:
    explicit LineWatcher(SerialControl& control);
    ~LineWatcher();
    LineWatcher(const LineWatcher&) = delete;
    LineWatcher& operator=(const LineWatcher&) = delete;

    void set_taking(bool taking) { taking_ = taking; }

    const QList<int>& events() const { return events_; }
    qsizetype count(int event) const { return events_.count(event); }
    const QByteArray& received() const { return received_; }
    const QList<qsizetype>& batch_sizes() const { return batch_sizes_; }

    // Runs the event loop until at least count bytes were taken or timeout_ms passed.
    bool wait_for_bytes(qsizetype count, int timeout_ms = 3000);

private:
    SerialControl& control_;
    QMetaObject::Connection connection_;
    bool taking_ = true;
    QList<int> events_;
    QByteArray received_;
    QList<qsizetype> batch_sizes_;
};
