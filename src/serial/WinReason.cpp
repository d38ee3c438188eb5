#include "WinReason.h"

#include <QCoreApplication>
#include <windows.h>

namespace {

// The program's texts are written in Korean and English is their translation: a translated
// reason tells which language the operator reads.
LANGID operator_language()
{
    const char* probe = "허가 거부";
    return QCoreApplication::translate("SystemReason", probe) == QString::fromUtf8(probe)
        ? MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN)
        : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

QString format_message(DWORD error, LANGID language)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
            | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
        nullptr, error, language, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString reason = QString::fromWCharArray(text, int(length)).trimmed();
    LocalFree(text);
    return reason;
}

} // namespace

QString windows_reason(unsigned long error)
{
    QString reason = format_message(error, operator_language());
    // A Windows without that language's texts answers in its own.
    if (reason.isEmpty())
        reason = format_message(error, 0);
    if (!reason.isEmpty())
        return reason;
    return QCoreApplication::translate("SystemReason", "시스템 오류 %1").arg(error);
}

CommResult::Kind open_failure_kind(unsigned long error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return CommResult::Kind::busy;
    default:
        return CommResult::Kind::other;
    }
}
