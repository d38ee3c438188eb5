#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

// The one place where a card's text becomes bytes and bytes become text: UTF-8 through Qt's
// converter, CP949 through the platform's own (Cp949.h), with the same bytes on every platform.
// The cards of the Korean installed base hold their Hangul in CP949, the code page of the Windows
// desks that issued them ("카드" is C4 AB B5 E5); new systems may use UTF-8. A character the
// encoding cannot represent, or bytes that do not decode, are never replaced: the caller is told.
// --card-encoding and novard-cli's --input-encoding name them (ProgramOptions).
enum class TextEncoding { utf8, cp949 };

// "CP949" or "UTF-8", as a message names it.
QString encoding_label(TextEncoding encoding);
// "utf-8" or "cp949", as --card-encoding and --input-encoding spell them.
QString encoding_name(TextEncoding encoding);
std::optional<TextEncoding> encoding_named(QStringView name);

// The text's bytes, or nothing when a character cannot be represented.
std::optional<QByteArray> encode_card_text(QStringView text, TextEncoding encoding);
// The first character (a code point; a lone surrogate as itself) the encoding cannot represent.
std::optional<char32_t> first_unrepresentable(QStringView text, TextEncoding encoding);
// The bytes' text, or nothing when they are not valid in the encoding. A UTF-8 byte order mark at
// the start is a character of the text, never dropped.
std::optional<QString> decode_card_text(QByteArrayView bytes, TextEncoding encoding);
// Where the first character that does not decode begins; the size of bytes when all do.
qsizetype first_undecodable(QByteArrayView bytes, TextEncoding encoding);

// A character as a message names it: “😀” (U+1F600).
QString character_name(char32_t character);
