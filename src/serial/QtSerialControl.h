#pragma once

#include "MappedSerialControl.h"
#include "PortLock.h"

#include <QFileSystemWatcher>
#include <QSerialPort>

// The serial control on a real line, through QSerialPort. Port numbers become devices through the
// PortMap given at construction. A lost device with an identity is watched for while its port is
// lost: its folder through the file-system watch, and once a second besides, because udev gives a
// new device node its group, mode and identity a moment after it appears.
class QtSerialControl final : public MappedSerialControl {
    Q_OBJECT

public:
    explicit QtSerialControl(PortMap map, QObject* parent = nullptr);
    ~QtSerialControl() override;

    CommResult output(const QByteArray& bytes) override;
    qsizetype bytes_unsent() const override { return port_.bytesToWrite(); }
    qsizetype drop_unsent() override;

protected:
    qsizetype bytes_waiting() const override;
    QByteArray take_bytes(qsizetype count) override;
    CommResult apply_line_settings() override;
    void apply_modem_lines() override;
    bool line_open() const override { return port_.isOpen(); }
    CommResult open_line(const QString& device) override;
    bool close_line() override;
    bool node_exists(const QString& node) const override;
    CommResult missing(const QString& node) const override;
    CommResult taken(const QString& node) const override;
    void watch_lost(const QString& device) override;
    void stop_watching() override;

private:
    void on_ready_read();
    void on_error(QSerialPort::SerialPortError error);

    // Tells the observer of the bytes the device took since the last time.
    void report_written();
    // Tells the observer of the bytes the device has not taken, driver_held of those told as sent
    // among them, and forgets them; how many.
    qsizetype give_up_unsent(qsizetype driver_held = 0);
    CommResult open_failure(const QString& device) const;

    PortLock lock_;
    QSerialPort port_;
    QFileSystemWatcher device_folder_;
    // QSerialPort's write buffer, as given to Output and not yet told to the observer, and what
    // went out since the line was last idle (the frame that is being cut, when it is).
    QByteArray unsent_;
    qint64 burst_sent_ = 0;
};
