#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

// CP949 (Windows' Korean code page, the cards' Hangul) both ways, through the platform's own
// converter: on Linux ICU's "windows-949" through Qt, on Windows the system's code page 949. Both
// hold the same table, and neither is let to replace a character: a text with a character CP949
// cannot represent, or bytes that are not CP949, give nothing.
std::optional<QByteArray> encode_cp949(QStringView text);
std::optional<QString> decode_cp949(QByteArrayView bytes);
