#include "SystemReason.h"

#include "SystemReasonPlatform.h"

#include <QCoreApplication>
#include <cerrno>

namespace {

struct Reason {
    int error;
    const char* text;
};

// What opening, setting up and writing a serial device or a file meets; the Korean is the C
// library's own, as Korean desktops show it. ENOTTY ("Inappropriate ioctl for device") is told by
// what it means here, where every device is to be a serial line: the device is no terminal.
constexpr Reason reasons[] = {
    { ENOENT, QT_TRANSLATE_NOOP("SystemReason", "그런 파일이나 디렉터리가 없습니다") },
    { ENODEV, QT_TRANSLATE_NOOP("SystemReason", "그런 장치가 없음") },
    { ENXIO, QT_TRANSLATE_NOOP("SystemReason", "그런 장치 혹은 주소가 없음") },
    { EACCES, QT_TRANSLATE_NOOP("SystemReason", "허가 거부") },
    { EPERM, QT_TRANSLATE_NOOP("SystemReason", "명령을 허용하지 않음") },
    { EBUSY, QT_TRANSLATE_NOOP("SystemReason", "장치나 자원이 동작 중") },
    { EIO, QT_TRANSLATE_NOOP("SystemReason", "입력/출력 오류") },
    { EAGAIN, QT_TRANSLATE_NOOP("SystemReason", "자원이 일시적으로 사용 불가능함") },
    { EBADF, QT_TRANSLATE_NOOP("SystemReason", "파일 디스크립터가 잘못됨") },
    { EINVAL, QT_TRANSLATE_NOOP("SystemReason", "부적절한 인수") },
    { ENOTTY, QT_TRANSLATE_NOOP("SystemReason", "시리얼 장치가 아닙니다") },
    { ETIMEDOUT, QT_TRANSLATE_NOOP("SystemReason", "연결 시간 초과") },
    { EINTR, QT_TRANSLATE_NOOP("SystemReason", "중단된 시스템 콜") },
    { EPIPE, QT_TRANSLATE_NOOP("SystemReason", "파이프가 깨어짐") },
    { ENOSPC, QT_TRANSLATE_NOOP("SystemReason", "장치에 남은 공간이 없음") },
    { EFBIG, QT_TRANSLATE_NOOP("SystemReason", "파일이 너무 큽니다") },
    { EROFS, QT_TRANSLATE_NOOP("SystemReason", "읽기전용 파일 시스템") },
    { EISDIR, QT_TRANSLATE_NOOP("SystemReason", "디렉터리입니다") },
    { ENOTDIR, QT_TRANSLATE_NOOP("SystemReason", "디렉터리가 아닙니다") },
    { ELOOP, QT_TRANSLATE_NOOP("SystemReason", "기호 연결의 단계가 너무 많음") },
    { ENAMETOOLONG, QT_TRANSLATE_NOOP("SystemReason", "파일 이름이 너무 깁니다") },
    { EMFILE, QT_TRANSLATE_NOOP("SystemReason", "열린 파일이 너무 많음") },
    { ENFILE, QT_TRANSLATE_NOOP("SystemReason", "시스템에 파일을 너무 많이 열었음") },
    { ENOMEM, QT_TRANSLATE_NOOP("SystemReason", "메모리를 할당할 수 없습니다") },
};

} // namespace

QString system_reason(int error)
{
    for (const Reason& reason : reasons) {
        if (reason.error == error)
            return QCoreApplication::translate("SystemReason", reason.text);
    }
    if (const char* text = platform_reason(error))
        return QCoreApplication::translate("SystemReason", text);
    // Any other code by its name, which reads the same in every language.
    const QString name = error_name(error);
    return QCoreApplication::translate("SystemReason", "시스템 오류 %1")
        .arg(name.isEmpty() ? QString::number(error) : name);
}
