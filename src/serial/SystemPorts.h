#pragma once

#include <QList>
#include <QString>

// The serial devices the operating system reports, in no particular order. PortMap numbers them.
class SystemPorts {
public:
    struct Port {
        QString device; // the path to open, "/dev/ttyUSB0"
        QString description; // the adapter's own name where the system gives one, else empty
    };

    virtual ~SystemPorts() = default;
    virtual QList<Port> ports() const = 0;
};
