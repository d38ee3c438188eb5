#include "SystemReason.h"
#include "SystemReasonPlatform.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>
#include <locale.h>

const char* platform_reason(int error)
{
    // The C library's Korean, as Korean desktops show it.
    if (error == EDQUOT)
        return QT_TRANSLATE_NOOP("SystemReason", "디스크 할당량이 초과됨");
    return nullptr;
}

QString error_name(int error)
{
    const char* name = strerrorname_np(error);
    return name ? QString::fromLatin1(name) : QString();
}

QString c_locale_reason(int error)
{
    static const locale_t c_locale = ::newlocale(LC_ALL_MASK, "C", locale_t {});
    return QString::fromLocal8Bit(::strerror_l(error, c_locale));
}
