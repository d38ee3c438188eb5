#include "Cp949.h"

#include <windows.h>

namespace {

constexpr UINT korean = 949;

} // namespace

std::optional<QByteArray> encode_cp949(QStringView text)
{
    if (text.isEmpty())
        return QByteArray();
    const auto* const wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int length = int(text.size());
    // No best fit: without it Windows would write a look-alike ("a" for "ä") and say nothing; the
    // default character it uses instead is told, and then nothing is written.
    BOOL used_default = FALSE;
    const int size = ::WideCharToMultiByte(
        korean, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, &used_default);
    if (size <= 0 || used_default)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    ::WideCharToMultiByte(
        korean, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), size, nullptr, &used_default);
    return bytes;
}

std::optional<QString> decode_cp949(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    const int length = int(bytes.size());
    const int size
        = ::MultiByteToWideChar(korean, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    QString text(size, Qt::Uninitialized);
    ::MultiByteToWideChar(korean, MB_ERR_INVALID_CHARS, bytes.data(), length,
        reinterpret_cast<wchar_t*>(text.data()), size);
    return text;
}
