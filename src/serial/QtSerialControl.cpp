#include "QtSerialControl.h"

#include <QFileInfo>
#include <QMetaObject>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {

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
#ifdef Q_OS_UNIX
        // A Unix terminal has one or two stop bits only, and QSerialPort quietly makes 1.5 one.
        // With 5-bit characters a UART sends 1.5 stop bits where two are set, as on Windows.
        return QSerialPort::TwoStop;
#else
        return QSerialPort::OneAndHalfStop;
#endif
    case LineSettings::StopBits::two:
        return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

// QSerialPort takes a name that does not start with "/", "./" or "../" as a device under /dev, so
// a port folder given relative to the working directory is made absolute first.
QString system_location(const QString& device)
{
#ifdef Q_OS_UNIX
    return QFileInfo(device).absoluteFilePath();
#else
    return device;
#endif
}

// What a failure names: the device, or the port's own name when no device has its number.
QString named_device(const QString& device, int port)
{
    return device.isEmpty() ? SerialControl::port_name(port) : device;
}

} // namespace

QtSerialControl::QtSerialControl(PortMap map, QObject* parent)
    : SerialControl(parent)
    , map_(std::move(map))
    , port_(this)
    , device_folder_(this)
    , recheck_(this)
{
    // The port is a child of the control, so that it follows it (moveToThread, findChildren).
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialControl::on_ready_read);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialControl::on_error);
    recheck_.setInterval(1000);
    connect(&device_folder_, &QFileSystemWatcher::directoryChanged, this,
        &QtSerialControl::reopen_if_back);
    connect(&recheck_, &QTimer::timeout, this, &QtSerialControl::reopen_if_back);
}

QtSerialControl::~QtSerialControl()
{
    port_.disconnect(this);
    if (port_.isOpen())
        port_.close();
}

bool QtSerialControl::port_open() const
{
    return port_.isOpen() && !lost_;
}

bool QtSerialControl::device_lost() const
{
    return lost_ || !watched_device_.isEmpty();
}

QString QtSerialControl::device_for(int port) const
{
    return map_.device_for(port);
}

CommResult QtSerialControl::open_port()
{
    close_port();
    return open_device(map_.device_for(comm_port()));
}

void QtSerialControl::close_port()
{
    stop_watching();
    close_device();
}

CommResult QtSerialControl::open_device(const QString& device)
{
    if (device.isEmpty())
        return CommResult::failure(port_name(comm_port()), qt_error_string(ENOENT));
    const QString location = system_location(device);
#ifdef Q_OS_UNIX
    // QSerialPort takes a lock file before it looks at the device; a search probes sixteen ports
    // and most of them are not there, so a missing one is told apart first, for the cost of a
    // stat.
    if (!QFileInfo::exists(location))
        return CommResult::failure(device, qt_error_string(ENOENT));
#endif
    port_.setPortName(location);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    // On a closed port this only records the values; open() puts them all on the line at once.
    (void)apply_line_settings();
    if (!port_.open(QIODevice::ReadWrite)) {
        const QString reason = open_failure_reason();
        port_.clearError();
        return CommResult::failure(device, reason);
    }
    open_device_ = device;
    if (observer_)
        observer_->opened(device);
    // QSerialPort ignores DTR and RTS on a closed port, so they go on the line only now.
    apply_modem_lines();
    return CommResult::success();
}

CommResult QtSerialControl::output(const QString& text)
{
    if (!port_open())
        return CommResult::failure(
            named_device(map_.device_for(comm_port()), comm_port()), not_open_reason());
    const QByteArray bytes = text.toUtf8();
    if (port_.write(bytes) != bytes.size())
        return CommResult::failure(open_device_, port_.errorString());
    // QSerialPort only queues the bytes and writes them from the event loop. flush() hands them to
    // the driver now without blocking (the descriptor is non-blocking), so a refused write (a
    // vanished device) is reported to this caller, and a close right after Output loses nothing.
    if (!port_.flush() && port_.error() != QSerialPort::NoError)
        return CommResult::failure(open_device_, port_.errorString());
    if (observer_)
        observer_->written(bytes);
    return CommResult::success();
}

QByteArray QtSerialControl::input()
{
    if (!port_open())
        return {};
    qint64 count = port_.bytesAvailable();
    if (input_len() > 0)
        count = std::min<qint64>(count, input_len());
    count = std::min<qint64>(count, max_batch_bytes);
    const QByteArray batch = port_.read(count);
    if (observer_ && !batch.isEmpty())
        observer_->received(batch);
    return batch;
}

CommResult QtSerialControl::apply_line_settings()
{
    const LineSettings& settings = line_settings();
    if (!port_.setBaudRate(settings.baud)
        || !port_.setDataBits(QSerialPort::DataBits(settings.data_bits))
        || !port_.setParity(to_qt(settings.parity))
        || !port_.setStopBits(to_qt(settings.stop_bits))) {
        const QString reason = port_.errorString();
        port_.clearError();
        return CommResult::failure(open_device_, reason);
    }
    return CommResult::success();
}

void QtSerialControl::apply_modem_lines()
{
    // A line without modem-control lines (a pseudo-terminal, some adapters) refuses with
    // "Inappropriate ioctl for device"; the port works without them, so that is not a failure.
    (void)port_.setDataTerminalReady(dtr_enable());
    (void)port_.setRequestToSend(rts_enable());
    port_.clearError();
}

void QtSerialControl::on_ready_read()
{
    if (rthreshold() < 1)
        return;
    // A backlog larger than one batch is handed on in several notifications, in order; a handler
    // that takes nothing leaves the bytes for the next arrival instead of being called forever.
    while (port_open() && port_.bytesAvailable() >= rthreshold()) {
        const qint64 before = port_.bytesAvailable();
        raise_comm_event(comEvReceive);
        if (port_.bytesAvailable() >= before)
            break;
    }
}

void QtSerialControl::on_error(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!port_open())
        return;
    if (!device_gone()) {
        // Qt 6.4 takes a read of zero bytes for an error and, when the stale errno reads as a
        // resource error, switches the read notifier off for good: reception would stop on a
        // healthy line. Setting the read buffer size switches it on again.
        port_.clearError();
        port_.setReadBufferSize(port_.readBufferSize());
        return;
    }
    // On a vanished device QSerialPort stays open and raises this error again on every turn of the
    // event loop (a busy loop). It is closed on the first one, outside QSerialPort's own signal
    // emission; until then the port already reads closed.
    lost_ = true;
    QMetaObject::invokeMethod(this, &QtSerialControl::close_lost_device, Qt::QueuedConnection);
}

void QtSerialControl::close_lost_device()
{
    // An open or close since the loss has closed (and maybe reopened) the port already.
    if (!lost_)
        return;
    if (observer_)
        observer_->lost(open_device_);
    close_device();
    watch_for(open_device_);
    raise_comm_event(comEventDeviceLost);
}

void QtSerialControl::watch_for(const QString& device)
{
    watched_device_ = device;
#ifdef Q_OS_UNIX
    // A folder that cannot be watched leaves the once-a-second check alone.
    (void)device_folder_.addPath(QFileInfo(system_location(device)).absolutePath());
#endif
    recheck_.start();
}

void QtSerialControl::stop_watching()
{
    watched_device_.clear();
    recheck_.stop();
    if (const QStringList folders = device_folder_.directories(); !folders.isEmpty())
        (void)device_folder_.removePaths(folders);
}

void QtSerialControl::reopen_if_back()
{
    if (watched_device_.isEmpty())
        return;
    // No node yet, or one not yet given its group and mode, refuses; the next check tries again.
    if (!open_device(watched_device_))
        return;
    stop_watching();
    raise_comm_event(comEventDeviceBack);
}

void QtSerialControl::close_device()
{
    lost_ = false;
    if (port_.isOpen()) {
        port_.close();
        if (observer_)
            observer_->closed(open_device_);
    }
    port_.clearError();
}

bool QtSerialControl::device_gone() const
{
#ifdef Q_OS_UNIX
    // A terminal whose device went away (adapter pulled, pseudo-terminal's other side closed) is
    // hung up: every read returns zero bytes and poll reports a hang-up. A live line does not.
    pollfd pfd { int(port_.handle()), POLLIN, 0 };
    if (::poll(&pfd, 1, 0) < 0)
        return errno != EINTR;
    return (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return port_.error() == QSerialPort::ResourceError;
#endif
}

QString QtSerialControl::open_failure_reason() const
{
    // Another program holding the device under the lock-file convention (LCK..name in /var/lock)
    // is refused by QSerialPort before the device is opened, in its own words; the operator is
    // told what the system says of a device in use. Root is not kept out by the terminal's
    // exclusive mode, so for root this is how a busy device shows.
    if (port_.error() == QSerialPort::PermissionError
        && port_.errorString() == QSerialPort::tr("Permission error while locking the device"))
        return qt_error_string(EBUSY);
    return port_.errorString();
}
