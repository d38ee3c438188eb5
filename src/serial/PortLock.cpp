#include "PortLock.h"

#include "DeviceNode.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

bool alive(pid_t pid)
{
    // EPERM: it is there, and another user's.
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

CommResult::Kind kind_of(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return CommResult::Kind::permission;
    case EBUSY:
        return CommResult::Kind::busy;
    default:
        return CommResult::Kind::other;
    }
}

} // namespace

std::optional<pid_t> PortLock::holder(const QString& lock_file)
{
    QFile file(lock_file);
    if (QFileInfo(lock_file).isDir() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The HDB form pads the number with spaces ("     24180\n"); QLockFile writes it bare, with
    // the program's and the host's names on the lines after.
    const QByteArray first = file.readLine(64).trimmed();
    if (first.isEmpty() || first.size() > 10)
        return std::nullopt;
    for (const char c : first) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    const qint64 pid = first.toLongLong();
    if (pid <= 0 || pid > INT_MAX)
        return std::nullopt;
    return pid_t(pid);
}

CommResult PortLock::check_lock_file(const QString& lock_file, const QString& device) const
{
    const QByteArray path = QFile::encodeName(lock_file);
    if (::access(path.constData(), F_OK) != 0 && errno == ENOENT)
        return CommResult::success();
    const std::optional<pid_t> pid = holder(lock_file);
    if (!pid)
        return CommResult::failure(device,
            tr("잠금 파일 %1의 내용을 프로세스 번호로 읽을 수 없어 이 파일이 포트를 막고 있습니다 "
               "— "
               "포트를 쓰는 프로그램이 없으면 이 파일을 지우십시오")
                .arg(lock_file));
    if (alive(*pid))
        return CommResult::failure(device,
            tr("잠금 파일 %1의 주인은 실행 중인 프로세스 %2입니다").arg(lock_file).arg(*pid),
            CommResult::Kind::busy);
    if (::unlink(path.constData()) != 0 && errno != ENOENT)
        return CommResult::failure(device,
            tr("잠금 파일 %1(끝난 프로세스 %2의 것)을 지울 수 없어 이 파일이 포트를 막고 "
               "있습니다: %3")
                .arg(lock_file)
                .arg(*pid)
                .arg(system_reason(errno)));
    return CommResult::success();
}

CommResult PortLock::take(const QString& node, const QString& device)
{
    release();
    // A folder or a file would fail deep in QSerialPort, told as an input/output error.
    if (const int error = DeviceNode::type_error(node))
        return CommResult::failure(device, error);
    if (const CommResult free = check_lock_file(DeviceNode::lock_file(node), device); !free)
        return free;
    // Opened without waiting for the modem's carrier and without becoming the controlling
    // terminal; while another program has the device open this changes none of its lines.
    fd_ = ::open(QFile::encodeName(node).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return CommResult::failure(device, errno, kind_of(errno));
    // A character device that is no terminal (/dev/null) takes no line settings.
    if (::isatty(fd_) != 1) {
        release();
        return CommResult::failure(device, ENOTTY);
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        release();
        if (error == EWOULDBLOCK)
            return CommResult::failure(device, tr("다른 프로그램이 장치를 잠가 두었습니다 (flock)"),
                CommResult::Kind::busy);
        return CommResult::failure(device, error);
    }
    return CommResult::success();
}

void PortLock::release()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}
