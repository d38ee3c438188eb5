#include "QtSerialTerms.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

QSerialPort::Parity to_qt(LineSettings::Parity parity)
{
    switch (parity) {
    case LineSettings::Parity::none:
        return QSerialPort::NoParity;
    case LineSettings::Parity::even:
        return QSerialPort::EvenParity;
    case LineSettings::Parity::odd:
        return QSerialPort::OddParity;
    case LineSettings::Parity::mark:
        return QSerialPort::MarkParity;
    case LineSettings::Parity::space:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits to_qt(LineSettings::StopBits stop_bits)
{
    switch (stop_bits) {
    case LineSettings::StopBits::one:
        return QSerialPort::OneStop;
    case LineSettings::StopBits::one_and_half:
        // A Unix terminal has one or two stop bits only, and QSerialPort quietly makes 1.5 one.
        // With 5-bit characters a UART sends 1.5 stop bits where two are set, as on Windows.
        return QSerialPort::TwoStop;
    case LineSettings::StopBits::two:
        return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

int system_error(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return ENODEV;
    case QSerialPort::PermissionError:
        return EACCES;
    case QSerialPort::OpenError:
        return EBUSY;
    case QSerialPort::NotOpenError:
        return EBADF;
    case QSerialPort::UnsupportedOperationError:
        return EINVAL;
    case QSerialPort::TimeoutError:
        return ETIMEDOUT;
    default:
        return EIO;
    }
}

void clear_own_output(QSerialPort& port)
{
    // QSerialPort (6.4) empties its buffer only together with the driver's queue (tcflush): the
    // flush goes to /dev/null, put at the device's descriptor number for the call. This is
    // QSerialPort's documented behaviour through Qt 6.4.2, not a filed bug (no QTBUG found), so it
    // has no version guard.
    const int fd = int(port.handle());
    const int device = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (device >= 0 && null >= 0 && ::dup3(null, fd, O_CLOEXEC) == fd) {
        (void)port.clear(QSerialPort::Output);
        (void)::dup3(device, fd, O_CLOEXEC);
    }
    for (const int spare : { device, null }) {
        if (spare >= 0)
            ::close(spare);
    }
    port.clearError();
}
