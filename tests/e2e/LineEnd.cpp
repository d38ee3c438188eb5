#include "LineEnd.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

LineEnd::LineEnd(const QString& path)
{
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return;
    termios raw {};
    ::tcgetattr(fd_, &raw);
    cfmakeraw(&raw);
    ::tcsetattr(fd_, TCSANOW, &raw);
}

LineEnd::~LineEnd()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void LineEnd::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd { fd_, POLLOUT, 0 };
            ::poll(&pfd, 1, 100);
        } else if (n < 0 && errno != EINTR) {
            return;
        }
    }
}

std::vector<LineEnd::Chunk> LineEnd::read_chunks(qsizetype count, int timeout_ms)
{
    std::vector<Chunk> chunks;
    qsizetype received = 0;
    QElapsedTimer clock;
    clock.start();
    QDeadlineTimer deadline(timeout_ms);
    while (received < count && !deadline.hasExpired()) {
        pollfd pfd { fd_, POLLIN, 0 };
        if (::poll(&pfd, 1, int(std::max<qint64>(1, deadline.remainingTime()))) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(fd_, buffer, size_t(std::min<qsizetype>(count - received, 4096)));
        if (n > 0) {
            chunks.push_back({ clock.elapsed(), QByteArray(buffer, n) });
            received += n;
        }
    }
    return chunks;
}

QByteArray LineEnd::read(qsizetype count, int timeout_ms)
{
    QByteArray bytes;
    for (const Chunk& chunk : read_chunks(count, timeout_ms))
        bytes += chunk.bytes;
    return bytes;
}

QByteArray LineEnd::read_for(int window_ms)
{
    return read(std::numeric_limits<int>::max(), window_ms);
}
