#include "LineSettings.h"

#include <QList>

std::optional<LineSettings> LineSettings::parse(QStringView text)
{
    const QList<QStringView> parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;

    LineSettings settings;
    bool ok = false;
    settings.baud = parts[0].toInt(&ok);
    if (!ok || settings.baud <= 0)
        return std::nullopt;

    const QStringView parity = parts[1];
    if (parity.size() != 1)
        return std::nullopt;
    switch (parity[0].toLower().unicode()) {
    case u'n':
        settings.parity = Parity::none;
        break;
    case u'e':
        settings.parity = Parity::even;
        break;
    case u'o':
        settings.parity = Parity::odd;
        break;
    case u'm':
        settings.parity = Parity::mark;
        break;
    case u's':
        settings.parity = Parity::space;
        break;
    default:
        return std::nullopt;
    }

    settings.data_bits = parts[2].toInt(&ok);
    if (!ok || settings.data_bits < 5 || settings.data_bits > 8)
        return std::nullopt;

    if (parts[3] == u"1")
        settings.stop_bits = StopBits::one;
    else if (parts[3] == u"1.5")
        settings.stop_bits = StopBits::one_and_half;
    else if (parts[3] == u"2")
        settings.stop_bits = StopBits::two;
    else
        return std::nullopt;

    return settings;
}
