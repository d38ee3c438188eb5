#pragma once

#include "PortLock.h"
#include "PortMap.h"
#include "SerialControl.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QSerialPort>
#include <QTimer>

// The serial control on a real line, through QSerialPort. Port numbers become devices through the
// PortMap given at construction. A lost device with an identity is watched for while its port is
// lost: its folder through the file-system watch, and once a second besides, because udev gives a
// new device node its group, mode and identity a moment after it appears.
class QtSerialControl final : public SerialControl {
    Q_OBJECT

public:
    explicit QtSerialControl(PortMap map, QObject* parent = nullptr);
    ~QtSerialControl() override;

    bool port_open() const override;
    CommResult open_port() override;
    void close_port() override;
    CommResult output(const QByteArray& bytes) override;
    qsizetype bytes_unsent() const override { return port_.bytesToWrite(); }
    qsizetype drop_unsent() override;
    QString device_for(int port) const override;
    void renumber_ports() override;
    bool device_lost() const override;

protected:
    qsizetype bytes_waiting() const override;
    QByteArray take_bytes(qsizetype count) override;
    CommResult apply_line_settings() override;
    void apply_modem_lines() override;

private:
    void on_ready_read();
    void on_error(QSerialPort::SerialPortError error);

    CommResult open_located(int port);
    CommResult open_device(const QString& device);
    void close_device();
    // Tells the observer of the bytes the device took since the last time.
    void report_written();
    // Tells the observer of the bytes the device has not taken, driver_held of those told as sent
    // among them, and forgets them; how many.
    qsizetype give_up_unsent(qsizetype driver_held = 0);
    void close_lost_device();
    void forget_lost();
    void reopen_if_back();
    CommResult open_failure(const QString& device) const;

    PortMap map_;
    PortLock lock_;
    QSerialPort port_;
    // The port and device opened, for failures while open (CommPort may have moved since).
    int open_port_ = 0;
    QString open_device_;
    // The device went away; the port reads closed at once and is closed on the next event-loop
    // turn.
    bool lost_ = false;
    // The port whose device went away, while it is lost; 0 otherwise.
    int lost_port_ = 0;
    // Since when a node without the lost device's identity has stood at its place, and whether
    // the operator has been told of that other device.
    QElapsedTimer node_taken_;
    bool other_told_ = false;
    QFileSystemWatcher device_folder_;
    QTimer recheck_;
    // QSerialPort's write buffer, as given to Output and not yet told to the observer, and what
    // went out since the line was last idle (the frame that is being cut, when it is).
    QByteArray unsent_;
    qint64 burst_sent_ = 0;
};
