#pragma once

#include <QByteArray>
#include <QString>
#include <ostream>

// Readable GoogleTest failure output for Qt values; lists print element by element.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << bytes.toHex(' ').toStdString();
}
