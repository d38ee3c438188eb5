#include "PtyDevice.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace reader_sim {

PtyDevice::PtyDevice(const QString& link_path)
{
    termios raw {};
    cfmakeraw(&raw);
    char name[256] = {};
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        error_ = QStringLiteral("cannot create a pseudo-terminal: %1").arg(strerror(errno));
        master_ = slave_ = -1;
        return;
    }
    device_path_ = QString::fromLocal8Bit(name);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ < 0 || ::inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE) < 0) {
        error_ = QStringLiteral("cannot watch %1: %2").arg(device_path_, strerror(errno));
        close_all();
        return;
    }
    if (!link_path.isEmpty() && !make_link(link_path))
        close_all();
}

PtyDevice::~PtyDevice()
{
    if (!link_path_.isEmpty() && QFile::symLinkTarget(link_path_) == device_path_)
        QFile::remove(link_path_);
    close_all();
}

void PtyDevice::take_opens_and_closes()
{
    alignas(inotify_event) char events[4096];
    ssize_t size;
    while ((size = ::read(watch_, events, sizeof events)) > 0) {
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (event->mask & IN_OPEN)
                ++users_;
            if ((event->mask & IN_CLOSE) && users_ > 0 && --users_ == 0)
                ::tcflush(slave_, TCIFLUSH);
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}

bool PtyDevice::make_link(const QString& link_path)
{
    // Only a dangling link is replaced: it is what a simulator that was killed leaves behind,
    // whereas a live link may belong to another simulator still running.
    const QFileInfo existing(link_path);
    if (existing.isSymLink() && !existing.exists()) {
        QFile::remove(link_path);
    } else if (existing.isSymLink() || existing.exists()) {
        error_ = QStringLiteral("%1 already exists and is not a dangling link; not replacing it")
                     .arg(link_path);
        return false;
    }
    QFile device(device_path_);
    if (!device.link(link_path)) {
        error_ = QStringLiteral("cannot make the link %1: %2").arg(link_path, device.errorString());
        return false;
    }
    link_path_ = link_path;
    return true;
}

void PtyDevice::close_all()
{
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    if (watch_ >= 0)
        ::close(watch_);
    master_ = slave_ = watch_ = -1;
}

} // namespace reader_sim
