#include "Cp949.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// ICU's name for Windows' code page: its "cp949" is IBM's code page 949, which differs from the
// Windows one in much of its Hangul.
constexpr const char* windows_949 = "windows-949";

} // namespace

std::optional<QByteArray> encode_cp949(QStringView text)
{
    QStringEncoder encoder(windows_949, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError() || !encoder.isValid())
        return std::nullopt;
    return bytes;
}

std::optional<QString> decode_cp949(QByteArrayView bytes)
{
    QStringDecoder decoder(windows_949, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || !decoder.isValid())
        return std::nullopt;
    return text;
}
