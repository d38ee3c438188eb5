// Holds a serial device open with QSerialPort (a lock file in /var/lock, exclusive mode) until its
// standard input closes, as another serial program would. Prints "held" once the device is held,
// or "failed: REASON" and exits 1.

#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QSerialPort port(app.arguments().value(2));
    if (!port.open(QIODevice::ReadWrite)) {
        std::printf("failed: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) { }
    return 0;
}
