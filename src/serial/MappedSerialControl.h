#pragma once

#include "PortMap.h"
#include "SerialControl.h"

#include <QElapsedTimer>
#include <QTimer>

// The serial control over the devices a PortMap names, with the rules for a device lost while open
// and found again (SerialControl.h), kept here once for every platform. A platform's control says
// only how a device is opened, closed and told to exist, which error codes it fails with, and
// when its open device has gone away (lose_device); it may watch for a lost device's return
// besides the once-a-second look.
class MappedSerialControl : public SerialControl {
    Q_OBJECT

public:
    explicit MappedSerialControl(PortMap map, QObject* parent = nullptr);

    bool port_open() const final { return line_open() && !lost_; }
    CommResult open_port() final;
    void close_port() final { close_device(); }
    QString device_for(int port) const final { return map_.device_for(port); }
    void renumber_ports() final;
    bool device_lost() const final { return lost_ || lost_port_ != 0; }

protected:
    // Whether the platform's line is open, lost or not.
    virtual bool line_open() const = 0;
    // Opens device with the current properties; it is opened_device() from now on.
    virtual CommResult open_line(const QString& device) = 0;
    // Gives up what waits to be written and closes the line; whether it was open.
    virtual bool close_line() = 0;
    // Whether something is at node now, without opening it.
    virtual bool node_exists(const QString& node) const = 0;
    // The failures for a port whose device is not there: nothing at its node, or another device.
    virtual CommResult missing(const QString& node) const = 0;
    virtual CommResult taken(const QString& node) const = 0;
    // Watching for the lost device at its old place, besides the once-a-second look, and ending it.
    virtual void watch_lost(const QString& /*device*/) { }
    virtual void stop_watching() { }

    // The device opened last, for failures while open (CommPort may have moved since).
    const QString& opened_device() const { return open_device_; }
    // The open device went away: the port reads closed at once and is closed on the next
    // event-loop turn, outside the platform's own notification.
    void lose_device();
    // Looks for the lost port's device; reopens it when it is back.
    void reopen_if_back();
    // Output's refusal on a closed control.
    CommResult not_open() const;

private:
    CommResult open_located(int port);
    CommResult open_device(const QString& device);
    void close_device();
    void close_lost_device();
    void forget_lost();
    // Nothing else stands at the lost device's node, or it is of no more interest.
    void forget_other_device();

    PortMap map_;
    // The port and device opened, for failures while open (CommPort may have moved since).
    int open_port_ = 0;
    QString open_device_;
    // The device went away; the port reads closed until it is closed.
    bool lost_ = false;
    // The port whose device went away, while it is lost; 0 otherwise.
    int lost_port_ = 0;
    // Since when something without the lost device's identity has stood at its node, and whether
    // the operator has been told of that other device.
    QElapsedTimer node_taken_;
    bool other_told_ = false;
    QTimer recheck_;
};
