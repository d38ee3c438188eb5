#include "ByteDisplay.h"

#include "HighByteForms.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<QStringView, 32> control_names { u"[NUL]", u"[SOH]", u"[STX]", u"[ETX]",
    u"[EOT]", u"[ENQ]", u"[ACK]", u"[BEL]", u"[BS]", u"[HT]", u"[LF]", u"[VT]", u"[FF]", u"[CR]",
    u"[SO]", u"[SI]", u"[DLE]", u"[DC1]", u"[DC2]", u"[DC3]", u"[DC4]", u"[NAK]", u"[SYN]",
    u"[ETB]", u"[CAN]", u"[EM]", u"[SUB]", u"[ESC]", u"[FS]", u"[GS]", u"[RS]", u"[US]" };
constexpr QStringView delete_name = u"[DEL]";

constexpr qsizetype longest_form = 5; // "[ACK]"

// Writes the byte's display form at out and returns the position after it.
QChar* write_display_form(QChar* out, quint8 byte, const std::array<char16_t, 128>& high_forms)
{
    if (byte < 0x20 || byte == 0x7F) {
        const QStringView name = byte == 0x7F ? delete_name : control_names[byte];
        return std::copy(name.begin(), name.end(), out);
    }
    *out = byte >= 0x80 ? QChar(high_forms[byte - 0x80]) : QChar(byte);
    return out + 1;
}

} // namespace

QString display_form(quint8 byte)
{
    return display_text(QByteArrayView(reinterpret_cast<const char*>(&byte), 1));
}

QString display_text(QByteArrayView bytes)
{
    // Written straight into room for the longest forms, then cut to what was written: a batch
    // of a line at full pace is converted without a call per byte.
    QString text(bytes.size() * longest_form, Qt::Uninitialized);
    QChar* const begin = text.data();
    QChar* out = begin;
    const auto& high_forms = high_byte_forms();
    for (const char byte : bytes)
        out = write_display_form(out, static_cast<quint8>(byte), high_forms);
    text.truncate(out - begin);
    return text;
}

QString echo_form(QStringView text)
{
    QString shown;
    qsizetype characters = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++characters) {
        if (characters == max_echo_characters)
            return shown + u'\u2026';
        const char16_t c = text[i].unicode();
        if (c < 0x20 || c == 0x7F)
            shown += display_form(quint8(c));
        else if (is_control_character(c))
            shown += QStringLiteral("[U+%1]").arg(
                QString::number(c, 16).toUpper().rightJustified(4, u'0'));
        else
            shown += text[i];
        // A pair of surrogates is one character.
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            shown += text[++i];
    }
    return shown;
}
