#include "BatchInput.h"

#include "SystemReason.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A pipe or a terminal is read when it has bytes, so that waiting for them never stops the card
// in progress.
struct BatchInput::Watch {
    explicit Watch(int fd)
        : notifier(fd, QSocketNotifier::Read)
    {
    }
    QSocketNotifier notifier;
};

BatchInput::~BatchInput()
{
    stop_watching();
    if (own_fd_)
        ::close(fd_);
}

bool BatchInput::open(const QByteArray& path)
{
    own_fd_ = path != "-";
    fd_ = own_fd_ ? ::open(path.constData(), O_RDONLY | O_CLOEXEC) : STDIN_FILENO;
    struct stat status { };
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        error_ = system_reason(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        error_ = system_reason(EISDIR);
        return false;
    }
    regular_ = S_ISREG(status.st_mode);
    if (!regular_) {
        watch_ = std::make_shared<Watch>(fd_);
        QSocketNotifier& notifier = watch_->notifier;
        notifier.setEnabled(false);
        connect(&notifier, &QSocketNotifier::activated, this, [this] {
            watch_->notifier.setEnabled(false);
            read_some();
            emit ready();
        });
    }
    return true;
}

bool BatchInput::read_some()
{
    const qsizetype had = buffer_.size();
    buffer_.resize(had + chunk);
    ssize_t got;
    do
        got = ::read(fd_, buffer_.data() + had, chunk);
    while (got < 0 && errno == EINTR);
    buffer_.resize(had + std::max<ssize_t>(got, 0));
    if (got <= 0)
        ended_ = true;
    return got > 0;
}

void BatchInput::await_bytes()
{
    watch_->notifier.setEnabled(true);
}

void BatchInput::stop_watching()
{
    watch_.reset();
}
