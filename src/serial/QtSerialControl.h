#pragma once

#include "LineObserver.h"
#include "PortMap.h"
#include "SerialControl.h"

#include <QFileSystemWatcher>
#include <QSerialPort>
#include <QTimer>

// The serial control on a real line, through QSerialPort. Port numbers become devices through the
// PortMap given at construction. A lost device is watched for until it is back or the port is
// opened or closed: its folder through the file-system watch, and once a second besides, because
// udev gives a new device node its group and mode a moment after it appears.
class QtSerialControl final : public SerialControl {
    Q_OBJECT

public:
    explicit QtSerialControl(PortMap map, QObject* parent = nullptr);
    ~QtSerialControl() override;

    bool port_open() const override;
    CommResult open_port() override;
    void close_port() override;
    CommResult output(const QString& text) override;
    QByteArray input() override;
    QString device_for(int port) const override;
    void renumber_ports() override { map_.renumber(); }
    bool device_lost() const override;

    // Tells observer of every write, received batch, open, close and loss; nullptr for none.
    void set_observer(LineObserver* observer) { observer_ = observer; }

protected:
    CommResult apply_line_settings() override;
    void apply_modem_lines() override;

private:
    void on_ready_read();
    void on_error(QSerialPort::SerialPortError error);

    CommResult open_device(const QString& device);
    void close_device();
    void close_lost_device();
    void watch_for(const QString& device);
    void stop_watching();
    void reopen_if_back();
    bool device_gone() const;
    QString open_failure_reason() const;

    PortMap map_;
    QSerialPort port_;
    // The device the port was opened on, for failures while open (CommPort may have moved since).
    QString open_device_;
    // The device went away; the port reads closed at once and is closed on the next event-loop
    // turn.
    bool lost_ = false;
    // The lost device, while it is watched for; empty otherwise.
    QString watched_device_;
    QFileSystemWatcher device_folder_;
    QTimer recheck_;
    LineObserver* observer_ = nullptr;
};
