#include "PortMap.h"

#include <QDir>

QString PortMap::device_for(int port) const
{
    if (const auto it = paths_.constFind(port); it != paths_.constEnd())
        return *it;
    const QString name = QStringLiteral("COM%1").arg(port);
    if (!folder_.isEmpty())
        return QDir(folder_).filePath(name);
#ifdef Q_OS_WIN
    return name;
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

std::optional<PortMap::Mapping> PortMap::parse_mapping(QStringView text)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0 || !text.startsWith(u"COM"))
        return std::nullopt;
    const QStringView number = text.mid(3, equals - 3);
    bool ok = false;
    const int port = number.toInt(&ok);
    if (!ok || port < 1 || port > 16 || number.startsWith(u'0') || number.startsWith(u'+'))
        return std::nullopt;
    const QString path = text.mid(equals + 1).toString();
    if (path.isEmpty())
        return std::nullopt;
    return Mapping { port, path };
}
