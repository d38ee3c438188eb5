#include "QtSystemPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

// Where a USB device is plugged in, whatever node it was given: the name of its link in
// /dev/serial/by-path, else (no udev) its device's place in sysfs. A usb-serial adapter's own
// device in sysfs is named after its node (…/1-2:1.0/ttyUSB0), so its parent is taken.
QString usb_port_path(const QString& node)
{
    const QString target = QFileInfo(node).canonicalFilePath();
    const QFileInfoList links = QDir(QStringLiteral("/dev/serial/by-path"))
                                    .entryInfoList(QDir::AllEntries | QDir::System);
    for (const QFileInfo& link : links) {
        if (link.canonicalFilePath() == target)
            return link.fileName();
    }
    const QString name = QFileInfo(target).fileName();
    const QFileInfo device(
        QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(name)).canonicalFilePath());
    return device.fileName() == name ? device.path() : device.filePath();
}

} // namespace

QString QtSystemPorts::usb_identity(std::optional<quint16> vendor, quint16 product,
    const QString& serial_number, const QString& port_path)
{
    if (!vendor || (serial_number.isEmpty() && port_path.isEmpty()))
        return {};
    const QString ids = QStringLiteral("%1:%2")
                            .arg(*vendor, 4, 16, QLatin1Char('0'))
                            .arg(product, 4, 16, QLatin1Char('0'));
    return serial_number.isEmpty() ? ids + QStringLiteral(" at ") + port_path
                                   : ids + QStringLiteral(" serial ") + serial_number;
}

QList<SystemPorts::Port> QtSystemPorts::ports() const
{
    QList<Port> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const std::optional<quint16> vendor
            = info.hasVendorIdentifier() ? std::optional(info.vendorIdentifier()) : std::nullopt;
        // Only a USB device's place is worth looking up.
        const QString path = vendor && info.serialNumber().isEmpty()
            ? usb_port_path(info.systemLocation())
            : QString();
        found.append({ info.systemLocation(), info.description(),
            usb_identity(vendor, info.productIdentifier(), info.serialNumber(), path) });
    }
    return found;
}
