#include "QtSerialControl.h"
#include "QtSystemPorts.h"
#include "SerialPlatform.h"

std::unique_ptr<SerialControl> make_serial_control(PortMap map, QObject* parent)
{
    return std::make_unique<QtSerialControl>(std::move(map), parent);
}

std::shared_ptr<const SystemPorts> make_system_ports()
{
    return std::make_shared<QtSystemPorts>();
}
