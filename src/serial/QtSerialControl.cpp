#include "QtSerialControl.h"

#include "DeviceNode.h"
#include "QtSerialTerms.h"

#include <QFileInfo>
#include <cerrno>
#include <utility>

namespace {

// QSerialPort takes a name that does not start with "/", "./" or "../" as a device under /dev, so
// a port folder given relative to the working directory is made absolute first.
QString system_location(const QString& device)
{
    return QFileInfo(device).absoluteFilePath();
}

} // namespace

QtSerialControl::QtSerialControl(PortMap map, QObject* parent)
    : MappedSerialControl(std::move(map), parent)
    , port_(this)
    , device_folder_(this)
{
    // The port is a child of the control, so that it follows it (moveToThread, findChildren).
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialControl::on_ready_read);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialControl::on_error);
    connect(&port_, &QSerialPort::bytesWritten, this, &QtSerialControl::report_written);
    connect(&device_folder_, &QFileSystemWatcher::directoryChanged, this,
        &QtSerialControl::reopen_if_back);
}

QtSerialControl::~QtSerialControl()
{
    port_.disconnect(this);
    if (port_.isOpen()) {
        (void)give_up_unsent();
        port_.close();
    }
}

bool QtSerialControl::node_exists(const QString& node) const
{
    return QFileInfo::exists(system_location(node));
}

CommResult QtSerialControl::missing(const QString& node) const
{
    return CommResult::failure(node, ENOENT);
}

CommResult QtSerialControl::taken(const QString& node) const
{
    return CommResult::failure(node, ENODEV, CommResult::Kind::other_device);
}

CommResult QtSerialControl::open_line(const QString& device)
{
    const QString location = system_location(device);
    // QSerialPort takes a lock file before it looks at the device; a search probes sixteen ports
    // and most of them are not there, so a missing one is told apart first, by a stat.
    if (!QFileInfo::exists(location))
        return missing(device);
    // QSerialPort names its lock file after the name it is given, and root passes the terminal's
    // exclusive mode: given a link or a bind mount, a second name of one device would take a
    // second lock and open it twice. The kernel's name takes the one lock every name shares, the
    // one minicom and picocom take (LCK..ttyUSB0); messages and the trace still name the device as
    // the operator gave it.
    const QString node = DeviceNode::kernel_name(location);
    // Before QSerialPort, which puts its settings and modem lines on the device as it opens it.
    if (const CommResult locked = lock_.take(node, device); !locked)
        return locked;
    port_.setPortName(node);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    // On a closed port this only records the values; open() puts them all on the line at once.
    (void)apply_line_settings();
    if (!port_.open(QIODevice::ReadWrite)) {
        const CommResult failure = open_failure(device);
        port_.clearError();
        lock_.release();
        return failure;
    }
    // QSerialPort ignores DTR and RTS on a closed port, so they go on the line only now.
    apply_modem_lines();
    return CommResult::success();
}

CommResult QtSerialControl::output(const QByteArray& bytes)
{
    if (!port_open())
        return not_open();
    if (port_.write(bytes) != bytes.size())
        return CommResult::failure(opened_device(), system_error(port_.error()));
    // A burst begins on an idle line: nothing waits here or in the driver.
    if (unsent_.isEmpty() && DeviceNode::output_queued(int(port_.handle())) == 0)
        burst_sent_ = 0;
    unsent_ += bytes;
    // QSerialPort only queues the bytes and writes them from the event loop. flush() hands them to
    // the driver now without blocking (the descriptor is non-blocking), so a refused write (a
    // vanished device) is reported to this caller, and a close right after Output loses nothing.
    // What a full line does not take waits in QSerialPort's buffer, and is told as it goes out.
    const bool flushed = port_.flush() || port_.error() == QSerialPort::NoError;
    report_written();
    if (!flushed)
        return CommResult::failure(opened_device(), system_error(port_.error()));
    return CommResult::success();
}

void QtSerialControl::report_written()
{
    // QSerialPort's bytesWritten comes a turn late; its buffer's size is true at once.
    const qsizetype gone = unsent_.size() - port_.bytesToWrite();
    if (gone <= 0)
        return;
    if (observer())
        observer()->written(QByteArrayView(unsent_).first(gone));
    unsent_.remove(0, gone);
    burst_sent_ += gone;
}

qsizetype QtSerialControl::give_up_unsent(qsizetype driver_held)
{
    report_written();
    const qsizetype unsent = unsent_.size() + driver_held;
    if (unsent > 0 && observer())
        observer()->cut(qMax(burst_sent_ - driver_held, qint64(0)), unsent);
    unsent_.clear();
    burst_sent_ = 0;
    return unsent;
}

qsizetype QtSerialControl::drop_unsent()
{
    // A pseudo-terminal says it holds nothing whatever it holds, and discarding its output throws
    // away what it took, told as sent, unseen: there it is left to go. From any other device,
    // what the driver holds has been told as sent but is discarded with the rest, so it is told as
    // not sent.
    const bool pty = DeviceNode::pseudo_terminal(int(port_.handle()));
    const qsizetype unsent
        = give_up_unsent(pty ? 0 : DeviceNode::output_queued(int(port_.handle())));
    if (unsent > 0 && pty)
        clear_own_output(port_);
    else if (unsent > 0)
        (void)port_.clear(QSerialPort::Output);
    port_.clearError();
    return unsent;
}

qsizetype QtSerialControl::bytes_waiting() const
{
    return port_open() ? port_.bytesAvailable() : 0;
}

QByteArray QtSerialControl::take_bytes(qsizetype count)
{
    const QByteArray batch = port_.read(count);
    if (observer() && !batch.isEmpty())
        observer()->received(batch);
    return batch;
}

CommResult QtSerialControl::apply_line_settings()
{
    const LineSettings& settings = line_settings();
    if (!port_.setBaudRate(settings.baud)
        || !port_.setDataBits(QSerialPort::DataBits(settings.data_bits))
        || !port_.setParity(to_qt(settings.parity))
        || !port_.setStopBits(to_qt(settings.stop_bits))) {
        const int error = system_error(port_.error());
        port_.clearError();
        return CommResult::failure(opened_device(), error);
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
    announce_received();
}

void QtSerialControl::on_error(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!port_open())
        return;
    if (!DeviceNode::hung_up(int(port_.handle()))) {
        // Qt 6.4 takes a read of zero bytes for an error and, when the stale errno reads as a
        // resource error, switches the read notifier off for good: reception would stop on a
        // healthy line. Setting the read buffer size switches it on again. Seen on Qt 6.4.2; no
        // QTBUG found, no fixed release known, hence no version guard.
        port_.clearError();
        port_.setReadBufferSize(port_.readBufferSize());
        return;
    }
    // On a vanished device QSerialPort stays open and raises this error again on every turn of the
    // event loop (a busy loop). It is closed on the first one, outside QSerialPort's own signal
    // emission; until then the port already reads closed.
    lose_device();
}

bool QtSerialControl::close_line()
{
    const bool was_open = port_.isOpen();
    if (was_open) {
        (void)give_up_unsent();
        port_.close();
    }
    lock_.release();
    port_.clearError();
    return was_open;
}

void QtSerialControl::watch_lost(const QString& device)
{
    // A folder that cannot be watched leaves the once-a-second look alone.
    (void)device_folder_.addPath(QFileInfo(system_location(device)).absolutePath());
}

void QtSerialControl::stop_watching()
{
    if (const QStringList folders = device_folder_.directories(); !folders.isEmpty())
        (void)device_folder_.removePaths(folders);
}

CommResult QtSerialControl::open_failure(const QString& device) const
{
    // QSerialPort says PermissionError for a device the user may not open, for one another
    // program holds (EBUSY, the terminal's exclusive mode) and for one whose lock file another
    // program has. The port's own lock opened the device a moment before, so it is not the first.
    if (port_.error() == QSerialPort::PermissionError)
        return CommResult::failure(device, EBUSY, CommResult::Kind::busy);
    return CommResult::failure(device, system_error(port_.error()));
}
