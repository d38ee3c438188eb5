#pragma once

#include "SystemPorts.h"

// The machine's COM ports as Windows lists them in its serial device map
// (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM), each with the friendly name the device installer gives
// its device, where it has one, and its device instance as identity when that is a USB device's.
// Windows gives an adapter its COM number for good, so the system's names are the port names.
class WinSystemPorts final : public SystemPorts {
public:
    QList<Port> ports() const override;
    bool names_ports() const override { return true; }

    // "USB\VID_0403&PID_6001\A50285BI", as Windows names the device: a USB device's instance,
    // which holds its serial number or, lacking one, the USB port it is plugged into; empty for a
    // device with no USB vendor (a built-in UART, a port Wine makes of a Unix device).
    static QString usb_identity(const QString& instance_id);
    // A friendly name without the port name Windows puts after it: "USB Serial Port".
    static QString description(const QString& friendly_name, const QString& port);
};
