#include "FakeSerialControl.h"

#include <cerrno>

CommResult FakeSerialControl::open_port()
{
    close_port();
    const int port = comm_port();
    if (before_open)
        before_open(port);
    const QString device = device_for(port);
    attempts_.append(port);
    if (!existing_.contains(port))
        return CommResult::failure(device, ENOENT);
    if (const auto kind = refusals.constFind(port); kind != refusals.constEnd())
        return CommResult::failure(device, *kind == CommResult::Kind::busy ? EBUSY : EACCES, *kind);
    open_port_ = port;
    buffer_.clear();
    return CommResult::success();
}

CommResult FakeSerialControl::output(const QByteArray& bytes)
{
    if (open_port_ == 0)
        return CommResult::failure(device_for(comm_port()), not_open_reason());
    if (outputs_.size() == outputs_before_refusal)
        return CommResult::failure(device_for(open_port_), EIO);
    outputs_.append(bytes);
    return CommResult::success();
}

QByteArray FakeSerialControl::take_bytes(qsizetype count)
{
    const QByteArray batch = buffer_.left(count);
    buffer_.remove(0, count);
    return batch;
}

void FakeSerialControl::receive(const QByteArray& bytes)
{
    if (open_port_ == 0)
        return;
    buffer_.append(bytes);
    announce_received();
}
