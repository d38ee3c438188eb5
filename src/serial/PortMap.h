#pragma once

#include <QMap>
#include <QString>
#include <optional>

// Which device a port number opens. COMn is /dev/ttyS(n-1) on Linux and other Unix systems (the
// kernel's own numbering) and "COMn" on Windows. A folder can take every number (COMn becomes
// FOLDER/COMn), and a single number can be mapped to any path (a USB adapter, a pseudo-terminal,
// a symbolic link); a single mapping wins over the folder.
class PortMap {
public:
    void map_port(int port, const QString& path) { paths_.insert(port, path); }
    void set_port_dir(const QString& folder) { folder_ = folder; }

    QString device_for(int port) const;

    // "COMn=PATH" as given on the command line; nothing when it is not of that form.
    struct Mapping {
        int port;
        QString path;
    };
    static std::optional<Mapping> parse_mapping(QStringView text);

private:
    QMap<int, QString> paths_;
    QString folder_;
};
