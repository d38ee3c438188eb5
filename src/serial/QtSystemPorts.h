#pragma once

#include "SystemPorts.h"

#include <optional>

// The machine's serial devices as QSerialPortInfo finds them (udev or sysfs on Linux), with the
// USB port path of each from /dev/serial/by-path, or from sysfs where udev made no such link.
class QtSystemPorts final : public SystemPorts {
public:
    QList<Port> ports() const override;
    // A pseudo-terminal is never a USB device.
    bool may_have_identity(const QString& node) const override;

    // "0403:6001 serial A50285BI", or "0403:6001 at pci-0000:00:14.0-usb-0:2:1.0" for an adapter
    // with no serial number; empty for a device with no USB vendor, or with neither. The USB
    // interface's number follows where it is known, as the two ports of one dual adapter share
    // its serial number.
    static QString usb_identity(std::optional<quint16> vendor, quint16 product,
        const QString& serial_number, const QString& port_path, const QString& interface);
};
