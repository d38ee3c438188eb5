#include "CardText.h"

#include "Cp949.h"

#include <QStringDecoder>
#include <QStringEncoder>

QString encoding_label(TextEncoding encoding)
{
    return encoding == TextEncoding::cp949 ? QStringLiteral("CP949") : QStringLiteral("UTF-8");
}

QString encoding_name(TextEncoding encoding)
{
    return encoding == TextEncoding::cp949 ? QStringLiteral("cp949") : QStringLiteral("utf-8");
}

std::optional<TextEncoding> encoding_named(QStringView name)
{
    for (const TextEncoding encoding : { TextEncoding::utf8, TextEncoding::cp949 }) {
        if (name == encoding_name(encoding))
            return encoding;
    }
    return std::nullopt;
}

std::optional<QByteArray> encode_card_text(QStringView text, TextEncoding encoding)
{
    if (encoding == TextEncoding::cp949)
        return encode_cp949(text);
    // Stateless: each text is whole, so nothing is carried from one to the next.
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

std::optional<char32_t> first_unrepresentable(QStringView text, TextEncoding encoding)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length
            = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                               : 1;
        const QStringView character = text.sliced(i, length);
        if (!encode_card_text(character, encoding))
            return length == 2 ? QChar::surrogateToUcs4(character[0], character[1])
                               : char32_t(character[0].unicode());
        i += length - 1;
    }
    return std::nullopt;
}

std::optional<QString> decode_card_text(QByteArrayView bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::cp949)
        return decode_cp949(bytes);
    QStringDecoder decoder(QStringConverter::Utf8,
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

qsizetype first_undecodable(QByteArrayView bytes, TextEncoding encoding)
{
    // A character is one to four bytes in UTF-8, one or two in CP949: the shortest piece that
    // decodes whole is the next character.
    constexpr qsizetype longest = 4;
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype length = 1;
        while (length <= longest && at + length <= bytes.size()
            && !decode_card_text(bytes.sliced(at, length), encoding))
            ++length;
        if (length > longest || at + length > bytes.size())
            return at;
        at += length;
    }
    return at;
}

QString character_name(char32_t character)
{
    return QStringLiteral("\u201C%1\u201D (U+%2)")
        .arg(QString::fromUcs4(&character, 1))
        .arg(QString::number(uint(character), 16).toUpper().rightJustified(4, u'0'));
}
