#include "CardText.h"

#include <QStringDecoder>
#include <QStringEncoder>

const char* converter_name(TextEncoding encoding)
{
    return encoding == TextEncoding::cp949 ? "windows-949" : "UTF-8";
}

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
    // Stateless: each text is whole, so nothing is carried from one to the next.
    QStringEncoder encoder(converter_name(encoding), QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError() || !encoder.isValid())
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
    QStringDecoder decoder(converter_name(encoding), QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || !decoder.isValid())
        return std::nullopt;
    return text;
}

QString character_name(char32_t character)
{
    return QStringLiteral("\u201C%1\u201D (U+%2)")
        .arg(QString::fromUcs4(&character, 1))
        .arg(QString::number(uint(character), 16).toUpper().rightJustified(4, u'0'));
}
