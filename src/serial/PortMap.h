#pragma once

#include "SystemPorts.h"

#include <QMap>
#include <QString>
#include <memory>
#include <optional>

// Which device a port number opens. A number mapped to a path (a USB adapter, a pseudo-terminal, a
// symbolic link) opens that path; else, when a folder is given, COMn is FOLDER/COMn; else, where
// the system names its ports itself (Windows), COMn is the system's COMn; else COMn is the n-th of
// the system's serial devices, USB adapters and USB modems (ttyUSB*, ttyACM*) first, then the rest
// (ttyS*, ttyAMA* ...), each group in natural name order (ttyUSB2 before ttyUSB10).
//
// The system's numbering is taken only when renumber() is called (at start-up and at each port
// search), so a device pulled out and plugged back keeps its number in between. With a folder the
// system's list is not read for numbering, only to know an opened device's identity.
//
// Between two renumberings a port whose device has an identity (from the numbering, or learnt when
// it opened) names that device: when it comes back at another node, the port names that node.
class PortMap {
public:
    void map_port(int port, const QString& path) { paths_.insert(port, path); }
    void set_port_dir(const QString& folder) { folder_ = folder; }
    // Whether the system's list numbers the ports not mapped (no folder is given).
    bool numbers_system_ports() const { return folder_.isEmpty(); }
    void set_system_ports(std::shared_ptr<const SystemPorts> system)
    {
        system_ = std::move(system);
    }

    // Whether the locates after a renumbering look in its reading of the system's list, until
    // forget_reading(): a search, and the default port's opening after the one at start-up, open
    // every port moments after numbering them. MappedSerialControl forgets it once its event
    // loop turns, so whatever opens a port later reads the list anew.
    enum class KeepReading { no, for_search };
    void renumber(KeepReading keep = KeepReading::no);
    void forget_reading() { reading_.reset(); }

    // The device of port n; empty when nothing has that number.
    QString device_for(int port) const;
    // The identity of port n's device, once known; empty for none.
    QString identity(int port) const { return identities_.value(port); }
    // The node to open for port n: where the system now has the device of port n's identity
    // (which port n names from then on), its device when it has no identity; nothing when the
    // device with that identity is not there.
    std::optional<QString> locate(int port);
    // Port n opened node: unless its identity is known already, it is the node's own.
    void remember_identity(int port, const QString& node);

    // The numbering in use, one line per port that has a device: "COM1 /dev/ttyUSB0 FT232R USB
    // UART", or where the system names its ports, per port it has: "COM3 COM3 USB Serial Port". Of
    // a folder only the entries that are there are shown.
    QString listing() const;

    // "COMn=PATH" as given on the command line; nothing when it is not of that form.
    struct Mapping {
        int port;
        QString path;
    };
    static std::optional<Mapping> parse_mapping(QStringView text);
    // The number of a port name "COM1" ... "COM16"; nothing for any other text.
    static std::optional<int> parse_port(QStringView name);

private:
    bool system_names_ports() const { return system_ && system_->names_ports(); }
    QList<SystemPorts::Port> system_list() const { return reading_ ? *reading_ : system_->ports(); }

    QMap<int, QString> paths_;
    QString folder_;
    std::shared_ptr<const SystemPorts> system_;
    QMap<int, SystemPorts::Port> numbered_; // by port number
    QMap<int, QString> identities_;
    QMap<int, QString> moved_; // the node a port's device has come back at
    std::optional<QList<SystemPorts::Port>> reading_; // kept for a search
};
