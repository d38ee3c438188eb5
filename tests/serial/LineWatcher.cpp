#include "LineWatcher.h"

#include <QTest>

LineWatcher::LineWatcher(SerialControl& control)
    : control_(control)
{
    connection_ = QObject::connect(&control_, &SerialControl::OnComm, [this] {
        events_.append(control_.comm_event());
        if (!taking_ || control_.comm_event() != SerialControl::comEvReceive)
            return;
        const QByteArray batch = control_.input();
        batch_sizes_.append(batch.size());
        received_ += batch;
    });
}

LineWatcher::~LineWatcher()
{
    QObject::disconnect(connection_);
}

bool LineWatcher::wait_for_bytes(qsizetype count, int timeout_ms)
{
    return QTest::qWaitFor([&] { return received_.size() >= count; }, timeout_ms);
}
