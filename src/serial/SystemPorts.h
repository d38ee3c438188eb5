#pragma once

#include <QList>
#include <QString>

// The serial devices the operating system reports, in no particular order. PortMap numbers them,
// and knows a device again by its identity.
class SystemPorts {
public:
    struct Port {
        QString device; // the node to open, "/dev/ttyUSB0", or the system's port name, "COM3"
        QString description; // the adapter's own name where the system gives one, else empty
        // What tells this device from any other whichever node it has: its USB vendor, product
        // and serial number, or, lacking a serial number, the USB port it is plugged into. Empty
        // for a device the system cannot tell (a built-in UART, a pseudo-terminal).
        QString identity;
    };

    virtual ~SystemPorts() = default;
    virtual QList<Port> ports() const = 0;
    // False only for a node that surely has no identity, whose port then needs no reading of the
    // list to learn it.
    virtual bool may_have_identity(const QString& node) const
    {
        (void)node;
        return true;
    }
    // Whether the system names its ports "COMn" itself (Windows), so that port n is the device
    // named COMn whether it is there or not; else the ports are the system's devices numbered in
    // order.
    virtual bool names_ports() const { return false; }
};
