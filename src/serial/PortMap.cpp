#include "PortMap.h"

#include <QDir>
#include <algorithm>

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
    // Digits only: toInt would let blanks and signs through ("COM 3", "COM+3").
    const QStringView number = text.mid(3, equals - 3);
    if (number.isEmpty() || number.startsWith(u'0')
        || !std::ranges::all_of(number, [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    const int port = number.toInt();
    if (port < 1 || port > 16)
        return std::nullopt;
    const QString path = text.mid(equals + 1).toString();
    if (path.isEmpty())
        return std::nullopt;
    return Mapping { port, path };
}
