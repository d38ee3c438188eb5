#include "BatchInput.h"

#include "SystemReason.h"

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <thread>

// A pipe or a console has nothing to notify with on Windows: a thread of its own waits for each
// chunk in a blocking read and hands it to the event loop, so that waiting never stops the card in
// progress. It may still wait when the input goes (a console is not to be interrupted): what it
// then reads is dropped, and the process's end ends it.
struct BatchInput::Watch {
    BatchInput* input = nullptr; // touched on the event loop's thread only
    bool reading = false;
};

BatchInput::~BatchInput()
{
    stop_watching();
    if (own_fd_)
        ::_close(fd_);
}

bool BatchInput::open(const QByteArray& path)
{
    own_fd_ = path != "-";
    // The path's bytes are UTF-8, as the command line gave them; CR LF is split here, not by the
    // C library.
    const std::wstring wide = QString::fromUtf8(path).toStdWString();
    fd_ = own_fd_ ? ::_wopen(wide.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT) : 0;
    if (!own_fd_)
        ::_setmode(fd_, _O_BINARY);
    struct _stat64 status { };
    if (fd_ < 0 || ::_fstat64(fd_, &status) != 0) {
        error_ = system_reason(errno);
        return false;
    }
    if ((status.st_mode & _S_IFMT) == _S_IFDIR) {
        error_ = system_reason(EISDIR);
        return false;
    }
    regular_ = (status.st_mode & _S_IFMT) == _S_IFREG;
    if (!regular_) {
        watch_ = std::make_shared<Watch>();
        watch_->input = this;
    }
    return true;
}

bool BatchInput::read_some()
{
    const qsizetype had = buffer_.size();
    buffer_.resize(had + chunk);
    const int got = ::_read(fd_, buffer_.data() + had, unsigned(chunk));
    buffer_.resize(had + std::max(got, 0));
    if (got <= 0)
        ended_ = true;
    return got > 0;
}

void BatchInput::await_bytes()
{
    if (watch_->reading)
        return;
    watch_->reading = true;
    std::thread([watch = watch_, fd = fd_] {
        QByteArray bytes(chunk, Qt::Uninitialized);
        const int got = ::_read(fd, bytes.data(), unsigned(chunk));
        bytes.resize(std::max(got, 0));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [watch, bytes] {
                BatchInput* const input = watch->input;
                if (input == nullptr)
                    return;
                watch->reading = false;
                input->buffer_ += bytes;
                input->ended_ = input->ended_ || bytes.isEmpty();
                emit input->ready();
            },
            Qt::QueuedConnection);
    }).detach();
}

void BatchInput::stop_watching()
{
    if (watch_)
        watch_->input = nullptr;
    watch_.reset();
}
