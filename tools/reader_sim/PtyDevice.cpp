#include "PtyDevice.h"

#include "SystemReason.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace reader_sim {

PtyDevice::PtyDevice(const QString& link_path)
{
    if (!pty_.valid()) {
        error_ = pty_.error();
        return;
    }
    const QByteArray device = QFile::encodeName(pty_.device_path());
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ < 0 || ::inotify_add_watch(watch_, device.constData(), IN_OPEN | IN_CLOSE) < 0) {
        error_
            = QStringLiteral("cannot watch %1: %2").arg(pty_.device_path(), c_locale_reason(errno));
        return;
    }
    if (!link_path.isEmpty())
        make_link(link_path);
}

PtyDevice::~PtyDevice()
{
    if (!link_path_.isEmpty() && QFile::symLinkTarget(link_path_) == pty_.device_path())
        QFile::remove(link_path_);
    if (watch_ >= 0)
        ::close(watch_);
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
                ::tcflush(pty_.slave_fd(), TCIFLUSH);
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}

void PtyDevice::make_link(const QString& link_path)
{
    // Only a dangling link is replaced: it is what a simulator that was killed leaves behind,
    // whereas a live link may belong to another simulator still running.
    const QFileInfo existing(link_path);
    if (existing.isSymLink() && !existing.exists()) {
        QFile::remove(link_path);
    } else if (existing.isSymLink() || existing.exists()) {
        error_ = QStringLiteral("%1 already exists and is not a dangling link; not replacing it")
                     .arg(link_path);
        return;
    }
    if (::symlink(QFile::encodeName(pty_.device_path()).constData(),
            QFile::encodeName(link_path).constData())
        != 0) {
        error_
            = QStringLiteral("cannot make the link %1: %2").arg(link_path, c_locale_reason(errno));
        return;
    }
    link_path_ = link_path;
}

} // namespace reader_sim
