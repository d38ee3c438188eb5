#include "SystemReason.h"
#include "SystemReasonPlatform.h"

#include <cstring>

const char* platform_reason(int)
{
    return nullptr;
}

QString error_name(int)
{
    // The Windows C runtime names no error codes.
    return {};
}

QString c_locale_reason(int error)
{
    // The Windows C runtime's texts are English whatever the locale.
    return QString::fromLocal8Bit(std::strerror(error));
}
