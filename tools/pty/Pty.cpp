#include "Pty.h"

#include "SystemReason.h"

#include <QDeadlineTimer>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

Pty::Pty()
{
    termios raw {};
    cfmakeraw(&raw);
    char name[256] = {};
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        error_ = QStringLiteral("cannot create a pseudo-terminal: %1").arg(c_locale_reason(errno));
        master_ = slave_ = -1;
        return;
    }
    path_ = QString::fromLocal8Bit(name);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
}

Pty::~Pty()
{
    close_master();
    if (slave_ >= 0)
        ::close(slave_);
}

void Pty::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd { master_, POLLOUT, 0 };
            ::poll(&pfd, 1, 100);
        } else if (n < 0 && errno != EINTR) {
            return;
        }
    }
}

QByteArray Pty::read(qsizetype count, int timeout_ms)
{
    QByteArray bytes;
    QDeadlineTimer deadline(timeout_ms);
    while (bytes.size() < count && !deadline.hasExpired()) {
        pollfd pfd { master_, POLLIN, 0 };
        if (::poll(&pfd, 1, int(std::max<qint64>(1, deadline.remainingTime()))) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, n);
    }
    return bytes;
}

void Pty::close_master()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}
