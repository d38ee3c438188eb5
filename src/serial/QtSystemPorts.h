#pragma once

#include "SystemPorts.h"

// The machine's serial devices as QSerialPortInfo finds them (udev or sysfs on Linux).
class QtSystemPorts final : public SystemPorts {
public:
    QList<Port> ports() const override;
};
