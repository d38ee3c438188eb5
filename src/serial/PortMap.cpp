#include "PortMap.h"

#include "CardLimits.h"
#include "SerialControl.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

bool is_usb(const QString& device)
{
    const QString name = QFileInfo(device).fileName();
    return name.startsWith(u"ttyUSB") || name.startsWith(u"ttyACM");
}

// A system's port name ("COM3") is no file, and two names of no file are not one node.
bool same_node(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return a == b || (!canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath());
}

} // namespace

void PortMap::renumber(KeepReading keep)
{
    identities_.clear();
    moved_.clear();
    reading_.reset();
    if (!folder_.isEmpty() || !system_)
        return;
    QList<SystemPorts::Port> found = system_->ports();
    if (keep == KeepReading::for_search)
        reading_ = found;
    numbered_.clear();
    if (system_->names_ports()) {
        for (const SystemPorts::Port& port : found) {
            if (const auto number = parse_port(port.device))
                numbered_.insert(*number, port);
        }
    } else {
        // Numeric mode is ignored by the C locale's collator, which a desktop session may well
        // run in.
        QCollator natural { QLocale(QLocale::English) };
        natural.setNumericMode(true);
        std::ranges::sort(found, [&](const SystemPorts::Port& a, const SystemPorts::Port& b) {
            if (is_usb(a.device) != is_usb(b.device))
                return is_usb(a.device);
            return natural.compare(a.device, b.device) < 0;
        });
        for (int port = 1; port <= found.size(); ++port)
            numbered_.insert(port, found[port - 1]);
    }
    for (auto it = numbered_.cbegin(); it != numbered_.cend(); ++it) {
        if (!paths_.contains(it.key()))
            identities_.insert(it.key(), it->identity);
    }
}

std::optional<QString> PortMap::locate(int port)
{
    const QString wanted = identity(port);
    if (wanted.isEmpty())
        return device_for(port);
    for (const SystemPorts::Port& found : system_list()) {
        if (found.identity != wanted)
            continue;
        if (!same_node(found.device, device_for(port)))
            moved_.insert(port, found.device);
        return device_for(port);
    }
    return std::nullopt;
}

void PortMap::remember_identity(int port, const QString& node)
{
    if (identities_.contains(port) || !system_)
        return;
    if (!system_->may_have_identity(node)) {
        identities_.insert(port, QString());
        return;
    }
    const QList<SystemPorts::Port> found = system_list();
    const auto it = std::ranges::find_if(
        found, [&](const SystemPorts::Port& p) { return same_node(p.device, node); });
    identities_.insert(port, it == found.end() ? QString() : it->identity);
}

QString PortMap::device_for(int port) const
{
    if (const auto it = moved_.constFind(port); it != moved_.constEnd())
        return *it;
    if (const auto it = paths_.constFind(port); it != paths_.constEnd())
        return *it;
    if (!folder_.isEmpty())
        return QDir(folder_).filePath(SerialControl::port_name(port));
    if (system_names_ports())
        return SerialControl::port_name(port);
    return numbered_.value(port).device;
}

QString PortMap::listing() const
{
    QString lines;
    for (int port = 1; port <= last_port; ++port) {
        const QString device = device_for(port);
        if (device.isEmpty())
            continue;
        if (!paths_.contains(port) && !folder_.isEmpty() && !QFileInfo::exists(device))
            continue;
        // A port the system names itself is listed only where the system has it.
        if (!paths_.contains(port) && folder_.isEmpty() && !numbered_.contains(port))
            continue;
        const auto system_port = std::ranges::find(numbered_, device, &SystemPorts::Port::device);
        QString line = SerialControl::port_name(port) + u' ' + device;
        if (system_port != numbered_.end() && !system_port->description.isEmpty())
            line += u' ' + system_port->description;
        lines += line + u'\n';
    }
    return lines;
}

std::optional<int> PortMap::parse_port(QStringView name)
{
    if (!name.startsWith(u"COM"))
        return std::nullopt;
    // Digits only: toInt would let blanks and signs through ("COM 3", "COM+3").
    const QStringView number = name.sliced(3);
    if (number.isEmpty() || number.startsWith(u'0')
        || !std::ranges::all_of(number, [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    const int port = number.toInt();
    if (port < 1 || port > last_port)
        return std::nullopt;
    return port;
}

std::optional<PortMap::Mapping> PortMap::parse_mapping(QStringView text)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return std::nullopt;
    const auto port = parse_port(text.first(equals));
    const QString path = text.mid(equals + 1).toString();
    if (!port || path.isEmpty())
        return std::nullopt;
    return Mapping { *port, path };
}
