#pragma once

#include "LineObserver.h"
#include "PortMap.h"
#include "SerialControl.h"

#include <QSerialPort>

// The serial control on a real line, through QSerialPort. Port numbers become devices through the
// PortMap given at construction.
class QtSerialControl final : public SerialControl {
    Q_OBJECT

public:
    explicit QtSerialControl(PortMap map, QObject* parent = nullptr);
    ~QtSerialControl() override;

    bool port_open() const override;
    CommResult set_port_open(bool open) override;
    CommResult output(const QString& text) override;
    QByteArray input() override;

    // Tells observer of every write, received batch, open, close and loss; nullptr for none.
    void set_observer(LineObserver* observer) { observer_ = observer; }

protected:
    CommResult apply_line_settings() override;
    void apply_modem_lines() override;

private:
    void on_ready_read();
    void on_error(QSerialPort::SerialPortError error);

    void close_port();
    void close_lost_device();
    bool device_gone() const;
    QString open_failure_reason() const;

    PortMap map_;
    QSerialPort port_;
    // The device the port was opened on, for failures while open (CommPort may have moved since).
    QString open_device_;
    // The device went away; the port reads closed at once and is closed on the next event-loop
    // turn.
    bool lost_ = false;
    LineObserver* observer_ = nullptr;
};
