#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// How a received byte is shown in the receive log: 0x00-0x1F and 0x7F by their ASCII names in
// brackets ("[ACK]", "[CR]", "[DEL]"), 0x20-0x7E as themselves, and 0x80-0xFF as one visible
// character each (HighByteForms.h: the ANSI code page's on Windows, Windows-1252's on Linux).
QString display_form(quint8 byte);
QString display_text(QByteArrayView bytes);

// C0, DEL and C1 (0x00-0x1F, 0x7F-0x9F): characters that act on a terminal, end a row or change a
// frame rather than show.
constexpr bool is_control_character(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// An input (an option's value, a path, a batch line's field) as a message echoes it: 0x00-0x1F and
// 0x7F by the names above ("[ESC]"), U+0080-U+009F as "[U+009B]", so that none acts on a terminal;
// a text of more than max_echo_characters characters as its first max_echo_characters and "…".
inline constexpr qsizetype max_echo_characters = 200;
QString echo_form(QStringView text);
