#include "DeviceNode.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

constexpr unsigned first_pty_major = 136;
constexpr unsigned last_pty_major = 143;
constexpr unsigned pty_minors_per_major = 256;

bool pty_major(dev_t device)
{
    return major(device) >= first_pty_major && major(device) <= last_pty_major;
}

// The name under /dev that the kernel gives the device: sysfs's DEVNAME ("ttyUSB0"); a
// pseudo-terminal, which sysfs does not list, by its number ("pts/5").
QString device_name(dev_t device)
{
    QFile uevent(
        QStringLiteral("/sys/dev/char/%1:%2/uevent").arg(major(device)).arg(minor(device)));
    if (uevent.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : uevent.readAll().split('\n')) {
            if (line.startsWith("DEVNAME="))
                return QFile::decodeName(line.mid(8));
        }
    }
    if (pty_major(device))
        return QStringLiteral("pts/%1").arg(
            (major(device) - first_pty_major) * pty_minors_per_major + minor(device));
    return {};
}

} // namespace

int DeviceNode::type_error(const QString& path)
{
    struct stat status { };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return 0;
    if (S_ISDIR(status.st_mode))
        return EISDIR;
    return S_ISCHR(status.st_mode) ? 0 : ENOTTY;
}

QString DeviceNode::kernel_name(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    const QString fallback = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    struct stat given { };
    if (::stat(QFile::encodeName(path).constData(), &given) != 0 || !S_ISCHR(given.st_mode))
        return fallback;
    const QString name = device_name(given.st_rdev);
    if (name.isEmpty())
        return fallback;
    // Only a node that is there, and is the same device, is the one name.
    const QString node = QStringLiteral("/dev/") + name;
    struct stat found { };
    if (::stat(QFile::encodeName(node).constData(), &found) != 0 || !S_ISCHR(found.st_mode)
        || found.st_rdev != given.st_rdev)
        return fallback;
    return node;
}

QString DeviceNode::lock_file(const QString& node)
{
    QString name = node.startsWith(QStringLiteral("/dev/")) ? node.sliced(5) : node;
    return QStringLiteral("/var/lock/LCK..") + name.replace(u'/', u'_');
}

bool DeviceNode::pseudo_terminal(int fd)
{
    struct stat status { };
    return ::fstat(fd, &status) == 0 && S_ISCHR(status.st_mode) && pty_major(status.st_rdev);
}

bool DeviceNode::pseudo_terminal(const QString& path)
{
    struct stat status { };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISCHR(status.st_mode)
        && pty_major(status.st_rdev);
}

qsizetype DeviceNode::output_queued(int fd)
{
    int queued = 0;
    return ::ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : 0;
}

bool DeviceNode::hung_up(int fd)
{
    pollfd pfd { fd, POLLIN, 0 };
    if (::poll(&pfd, 1, 0) < 0)
        return errno != EINTR;
    return (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}
