// Holds a serial device open until its standard input closes, as another serial program would.
// "serial_holder lock PATH" opens it with QSerialPort (a lock file in /var/lock, exclusive mode);
// "serial_holder exclusive PATH" only puts the terminal in exclusive mode (TIOCEXCL).
// Prints "held" once the device is held, or "failed: REASON" and exits 1.

#include <QCoreApplication>
#include <QSerialPort>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

int fail(const QString& reason)
{
    std::printf("failed: %s\n", qPrintable(reason));
    return 1;
}

void hold_until_stdin_closes()
{
    std::printf("held\n");
    std::fflush(stdout);
    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) { }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return fail(QStringLiteral("usage: serial_holder lock|exclusive PATH"));
    if (args[1] == u"lock") {
        QSerialPort port(args[2]);
        if (!port.open(QIODevice::ReadWrite))
            return fail(port.errorString());
        hold_until_stdin_closes();
        return 0;
    }
    if (args[1] != u"exclusive")
        return fail(QStringLiteral("unknown mode ") + args[1]);
    const int fd = ::open(args[2].toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0 || ::ioctl(fd, TIOCEXCL) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    hold_until_stdin_closes();
    // Exclusive mode belongs to the terminal, which the test's own descriptor outlives.
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    return 0;
}
