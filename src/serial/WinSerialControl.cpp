#include "WinSerialControl.h"

#include "WinReason.h"

#include <QMetaObject>
#include <utility>

namespace {

// Longer than Windows takes to list a device that has just arrived, shorter than the recheck.
constexpr qint64 identity_settle_ms = 500;

// What a failure names: the device, or the port's own name when no device has its number.
QString named_device(const QString& device, int port)
{
    return device.isEmpty() ? SerialControl::port_name(port) : device;
}

CommResult failure(
    const QString& device, unsigned long error, CommResult::Kind kind = CommResult::Kind::other)
{
    return CommResult::failure(device, windows_reason(error), kind);
}

} // namespace

WinSerialControl::WinSerialControl(PortMap map, QObject* parent)
    : SerialControl(parent)
    , map_(std::move(map))
    , line_(this)
    , recheck_(this)
{
    connect(&line_, &WinComLine::received, this, &WinSerialControl::on_received);
    connect(&line_, &WinComLine::written, this, &WinSerialControl::on_written);
    connect(&line_, &WinComLine::failed, this, &WinSerialControl::on_failed);
    recheck_.setInterval(1000);
    connect(&recheck_, &QTimer::timeout, this, &WinSerialControl::reopen_if_back);
}

WinSerialControl::~WinSerialControl()
{
    if (line_.is_open())
        (void)give_up_unsent(true);
    line_.disconnect(this);
    line_.close();
}

void WinSerialControl::renumber_ports()
{
    forget_lost();
    map_.renumber();
}

CommResult WinSerialControl::open_port()
{
    close_device();
    const CommResult result = open_located(comm_port());
    // Choosing another port gives the lost one up; its own failure leaves it lost.
    if (result || comm_port() != lost_port_)
        forget_lost();
    return result;
}

CommResult WinSerialControl::open_located(int port)
{
    const std::optional<QString> device = map_.locate(port);
    if (!device) {
        // The port's device is not there; whatever has its name now is not it.
        const QString node = map_.device_for(port);
        if (WinComLine::exists(node))
            return failure(node, ERROR_DEV_NOT_EXIST, CommResult::Kind::other_device);
        return failure(node, ERROR_FILE_NOT_FOUND);
    }
    CommResult result = open_device(*device);
    if (result) {
        open_port_ = port;
        map_.remember_identity(port, *device);
    }
    return result;
}

CommResult WinSerialControl::open_device(const QString& device)
{
    if (device.isEmpty())
        return failure(port_name(comm_port()), ERROR_FILE_NOT_FOUND);
    if (const unsigned long error = line_.open(device))
        return failure(device, error, open_failure_kind(error));
    received_.clear();
    open_device_ = device;
    if (const CommResult configured = apply_line_settings(); !configured) {
        line_.close();
        return configured;
    }
    if (observer())
        observer()->opened(device);
    return CommResult::success();
}

CommResult WinSerialControl::output(const QByteArray& bytes)
{
    if (!port_open())
        return CommResult::failure(
            named_device(map_.device_for(comm_port()), comm_port()), not_open_reason());
    // A burst begins on an idle line.
    if (line_.unsent() == 0)
        burst_sent_ = 0;
    if (const unsigned long error = line_.write(bytes))
        return failure(open_device_, error);
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
        return failure(open_device_, error);
    return CommResult::success();
}

void WinSerialControl::apply_modem_lines()
{
    line_.set_modem_lines(dtr_enable(), rts_enable());
}

void WinSerialControl::on_failed()
{
    // A device pulled out fails every operation on its handle (ERROR_OPERATION_ABORTED,
    // ERROR_BAD_COMMAND, ERROR_DEVICE_REMOVED ... by driver): the line cannot go on, so it is lost.
    if (!port_open())
        return;
    lost_ = true;
    QMetaObject::invokeMethod(this, &WinSerialControl::close_lost_device, Qt::QueuedConnection);
}

void WinSerialControl::close_lost_device()
{
    // An open or close since the loss has closed (and maybe reopened) the port already.
    if (!lost_)
        return;
    if (observer())
        observer()->lost(open_device_);
    close_device();
    raise_comm_event(CommEvent::device_lost);
}

void WinSerialControl::close_device()
{
    if (std::exchange(lost_, false)) {
        lost_port_ = open_port_;
        // Only a device that can be told from another is looked for.
        if (!map_.identity(lost_port_).isEmpty())
            recheck_.start();
    }
    if (line_.is_open()) {
        (void)give_up_unsent(true);
        line_.close();
        received_.clear();
        if (observer())
            observer()->closed(open_device_);
    }
}

void WinSerialControl::forget_lost()
{
    lost_port_ = 0;
    node_taken_.invalidate();
    other_told_ = false;
    recheck_.stop();
}

void WinSerialControl::reopen_if_back()
{
    if (lost_port_ == 0)
        return;
    const std::optional<QString> device = map_.locate(lost_port_);
    if (!device) {
        // A name the system gives a device as it arrives is taken for another device's only once
        // it has stood for a while without the lost one's identity.
        if (!WinComLine::exists(map_.device_for(lost_port_))) {
            node_taken_.invalidate();
            other_told_ = false;
        } else if (!node_taken_.isValid()) {
            node_taken_.start();
        } else if (!other_told_ && node_taken_.hasExpired(identity_settle_ms)) {
            other_told_ = true;
            raise_comm_event(CommEvent::other_device);
        }
        return;
    }
    // A device not ready yet refuses; the next check tries again.
    if (!open_device(*device))
        return;
    open_port_ = lost_port_;
    forget_lost();
    raise_comm_event(CommEvent::device_back);
}
