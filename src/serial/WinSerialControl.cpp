#include "WinSerialControl.h"

#include "WinReason.h"

#include <utility>

namespace {

CommResult failure(
    const QString& device, unsigned long error, CommResult::Kind kind = CommResult::Kind::other)
{
    return CommResult::failure(device, windows_reason(error), kind);
}

} // namespace

WinSerialControl::WinSerialControl(PortMap map, QObject* parent)
    : MappedSerialControl(std::move(map), parent)
    , line_(this)
{
    connect(&line_, &WinComLine::received, this, &WinSerialControl::on_received);
    connect(&line_, &WinComLine::written, this, &WinSerialControl::on_written);
    // A device pulled out fails every operation on its handle (ERROR_OPERATION_ABORTED,
    // ERROR_BAD_COMMAND, ERROR_DEVICE_REMOVED ... by driver): the line cannot go on, so it is lost.
    connect(&line_, &WinComLine::failed, this, &WinSerialControl::lose_device);
}

WinSerialControl::~WinSerialControl()
{
    if (line_.is_open())
        (void)give_up_unsent(true);
    line_.disconnect(this);
    line_.close();
}

CommResult WinSerialControl::missing(const QString& node) const
{
    return failure(node, ERROR_FILE_NOT_FOUND);
}

CommResult WinSerialControl::taken(const QString& node) const
{
    return failure(node, ERROR_DEV_NOT_EXIST, CommResult::Kind::other_device);
}

CommResult WinSerialControl::open_line(const QString& device)
{
    if (const unsigned long error = line_.open(device))
        return failure(device, error, open_failure_kind(error));
    received_.clear();
    if (const CommResult configured = apply_line_settings(); !configured) {
        line_.close();
        return configured;
    }
    return CommResult::success();
}

CommResult WinSerialControl::output(const QByteArray& bytes)
{
    if (!port_open())
        return not_open();
    // A burst begins on an idle line.
    if (line_.unsent() == 0)
        burst_sent_ = 0;
    if (const unsigned long error = line_.write(bytes))
        return failure(opened_device(), error);
    return CommResult::success();
}

void WinSerialControl::on_written(const QByteArray& bytes)
{
    if (observer())
        observer()->written(bytes);
    burst_sent_ += bytes.size();
}

qsizetype WinSerialControl::give_up_unsent(bool closing)
{
    // What the device takes meanwhile is told as written first, and counted in the burst.
    const qsizetype unsent = line_.drop_unsent(closing ? line_settings().baud : 0);
    if (unsent > 0 && observer())
        observer()->cut(burst_sent_, unsent);
    burst_sent_ = 0;
    return unsent;
}

void WinSerialControl::on_received(const QByteArray& bytes)
{
    received_ += bytes;
    announce_received();
}

QByteArray WinSerialControl::take_bytes(qsizetype count)
{
    const QByteArray batch = received_.first(qMin(count, received_.size()));
    received_.remove(0, batch.size());
    if (observer() && !batch.isEmpty())
        observer()->received(batch);
    return batch;
}

CommResult WinSerialControl::apply_line_settings()
{
    // On a closed port the values are only kept; the next open puts them on the line.
    if (!line_.is_open())
        return CommResult::success();
    if (const unsigned long error = line_.configure(line_settings(), dtr_enable(), rts_enable()))
        return failure(opened_device(), error);
    return CommResult::success();
}

void WinSerialControl::apply_modem_lines()
{
    line_.set_modem_lines(dtr_enable(), rts_enable());
}

bool WinSerialControl::close_line()
{
    if (!line_.is_open())
        return false;
    (void)give_up_unsent(true);
    line_.close();
    received_.clear();
    return true;
}
