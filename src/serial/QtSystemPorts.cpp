#include "QtSystemPorts.h"

#include <QSerialPortInfo>

QList<SystemPorts::Port> QtSystemPorts::ports() const
{
    QList<Port> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        found.append({ info.systemLocation(), info.description() });
    return found;
}
