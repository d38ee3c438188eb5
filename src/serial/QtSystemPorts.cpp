#include "QtSystemPorts.h"

#include "DeviceNode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

// The USB interface a node belongs to, in sysfs ("…/1-2:1.0"). A usb-serial adapter's own device
// there is named after its node (…/1-2:1.0/ttyUSB0), so its parent is taken.
QString usb_interface_dir(const QString& name)
{
    const QFileInfo device(
        QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(name)).canonicalFilePath());
    return device.fileName() == name ? device.path() : device.filePath();
}

// Where a USB device is plugged in, whatever node it was given: the name of its link in
// /dev/serial/by-path, else (no udev) its interface's place in sysfs.
QString usb_port_path(const QString& node, const QString& interface_dir)
{
    const QString target = QFileInfo(node).canonicalFilePath();
    const QFileInfoList links = QDir(QStringLiteral("/dev/serial/by-path"))
                                    .entryInfoList(QDir::AllEntries | QDir::System);
    for (const QFileInfo& link : links) {
        if (link.canonicalFilePath() == target)
            return link.fileName();
    }
    return interface_dir;
}

} // namespace

QString QtSystemPorts::usb_identity(std::optional<quint16> vendor, quint16 product,
    const QString& serial_number, const QString& port_path, const QString& interface)
{
    if (!vendor || (serial_number.isEmpty() && port_path.isEmpty()))
        return {};
    QString identity = QStringLiteral("%1:%2")
                           .arg(*vendor, 4, 16, QLatin1Char('0'))
                           .arg(product, 4, 16, QLatin1Char('0'));
    identity += serial_number.isEmpty() ? QStringLiteral(" at ") + port_path
                                        : QStringLiteral(" serial ") + serial_number;
    if (!interface.isEmpty())
        identity += QStringLiteral(" interface ") + interface;
    return identity;
}

QList<SystemPorts::Port> QtSystemPorts::ports() const
{
    QList<Port> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (!info.hasVendorIdentifier()) {
            found.append({ info.systemLocation(), info.description(), QString() });
            continue;
        }
        const QString interface_dir = usb_interface_dir(info.portName());
        QFile number(interface_dir + QStringLiteral("/bInterfaceNumber"));
        const QString interface = number.open(QIODevice::ReadOnly)
            ? QString::fromLatin1(number.readAll().trimmed())
            : QString();
        // Only an adapter without a serial number is known by its place.
        const QString path = info.serialNumber().isEmpty()
            ? usb_port_path(info.systemLocation(), interface_dir)
            : QString();
        found.append({ info.systemLocation(), info.description(),
            usb_identity(info.vendorIdentifier(), info.productIdentifier(), info.serialNumber(),
                path, interface) });
    }
    return found;
}

bool QtSystemPorts::may_have_identity(const QString& node) const
{
    return !DeviceNode::pseudo_terminal(node);
}
