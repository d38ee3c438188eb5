#pragma once

#include "PortMap.h"
#include "SerialControl.h"
#include "SystemPorts.h"

#include <memory>

// The serial control and the list of serial ports of the system the program runs on: on Linux
// QSerialPort's, on Windows the communications API's. The programs make their line through these
// two, so that nothing else knows which it is.

std::unique_ptr<SerialControl> make_serial_control(PortMap map, QObject* parent = nullptr);
std::shared_ptr<const SystemPorts> make_system_ports();
