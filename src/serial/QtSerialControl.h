#pragma once

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

    const PortMap& port_map() const { return map_; }

protected:
    CommResult apply_line_settings() override;
    void apply_modem_lines() override;

private:
    void on_ready_read();
    void on_error(QSerialPort::SerialPortError error);

    PortMap map_;
    QSerialPort port_;
};
