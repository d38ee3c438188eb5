#include "MappedSerialControl.h"

#include <QMetaObject>
#include <QTimer>
#include <utility>

namespace {

// Longer than the system takes to give a device that has just arrived its identity (udev its
// properties, Windows its place in the list of ports), shorter than the once-a-second look.
constexpr qint64 identity_settle_ms = 500;

} // namespace

MappedSerialControl::MappedSerialControl(PortMap map, QObject* parent)
    : SerialControl(parent)
    , map_(std::move(map))
    , recheck_(this)
{
    recheck_.setInterval(1000);
    connect(&recheck_, &QTimer::timeout, this, &MappedSerialControl::reopen_if_back);
}

void MappedSerialControl::renumber_ports()
{
    forget_lost();
    // The openings of the search that follows use this reading of the system's list; any later
    // opening reads it anew.
    map_.renumber(PortMap::KeepReading::for_search);
    QTimer::singleShot(0, this, [this] { map_.forget_reading(); });
}

CommResult MappedSerialControl::open_port()
{
    close_device();
    const CommResult result = open_located(comm_port());
    // Choosing another port gives the lost one up; its own failure leaves it lost.
    if (result || comm_port() != lost_port_)
        forget_lost();
    return result;
}

CommResult MappedSerialControl::not_open() const
{
    const QString device = map_.device_for(comm_port());
    return CommResult::failure(
        device.isEmpty() ? port_name(comm_port()) : device, not_open_reason());
}

CommResult MappedSerialControl::open_located(int port)
{
    const std::optional<QString> device = map_.locate(port);
    if (!device) {
        // The port's device is not there; whatever is at its node now is not it.
        const QString node = map_.device_for(port);
        return node_exists(node) ? taken(node) : missing(node);
    }
    CommResult result = open_device(*device);
    if (result) {
        open_port_ = port;
        map_.remember_identity(port, *device);
    }
    return result;
}

CommResult MappedSerialControl::open_device(const QString& device)
{
    if (device.isEmpty())
        return missing(port_name(comm_port()));
    open_device_ = device;
    const CommResult result = open_line(device);
    if (result && observer())
        observer()->opened(device);
    return result;
}

void MappedSerialControl::lose_device()
{
    if (!port_open())
        return;
    lost_ = true;
    QMetaObject::invokeMethod(this, &MappedSerialControl::close_lost_device, Qt::QueuedConnection);
}

void MappedSerialControl::close_lost_device()
{
    // An open or close since the loss has closed (and maybe reopened) the port already.
    if (!lost_)
        return;
    if (observer())
        observer()->lost(open_device_);
    close_device();
    raise_comm_event(CommEvent::device_lost);
}

void MappedSerialControl::close_device()
{
    if (std::exchange(lost_, false)) {
        lost_port_ = open_port_;
        // Only a device that can be told from another is looked for.
        if (!map_.identity(lost_port_).isEmpty()) {
            watch_lost(open_device_);
            recheck_.start();
        }
    }
    if (close_line() && observer())
        observer()->closed(open_device_);
}

void MappedSerialControl::forget_lost()
{
    lost_port_ = 0;
    forget_other_device();
    recheck_.stop();
    stop_watching();
}

void MappedSerialControl::forget_other_device()
{
    node_taken_.invalidate();
    other_told_ = false;
}

void MappedSerialControl::reopen_if_back()
{
    if (lost_port_ == 0)
        return;
    const std::optional<QString> device = map_.locate(lost_port_);
    if (!device) {
        // A new node gets its identity a moment after it appears, so a node is taken for another
        // device only once it has stood for a while without the lost one's.
        if (!node_exists(map_.device_for(lost_port_))) {
            forget_other_device();
        } else if (!node_taken_.isValid()) {
            node_taken_.start();
        } else if (!other_told_ && node_taken_.hasExpired(identity_settle_ms)) {
            other_told_ = true;
            raise_comm_event(CommEvent::other_device);
        }
        return;
    }
    // A node not ready yet (no group and mode, not listed) refuses; the next look tries again.
    if (!open_device(*device))
        return;
    open_port_ = lost_port_;
    forget_lost();
    raise_comm_event(CommEvent::device_back);
}
