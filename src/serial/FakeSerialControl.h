#pragma once

#include "SerialControl.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <functional>

// A scripted serial control for tests: which port numbers exist and which are busy, a record of
// every open and every Output in order, and a way to push received bytes and raise OnComm.
// Device names are "COMn", and the numbering never changes.
class FakeSerialControl final : public SerialControl {
    Q_OBJECT

public:
    using SerialControl::SerialControl;

    // Ports that open. A busy port exists but refuses to open with "Device or resource busy".
    void set_existing_ports(QSet<int> ports) { existing_ = std::move(ports); }
    void set_busy_ports(QSet<int> ports) { busy_ = std::move(ports); }

    bool port_open() const override { return open_port_ != 0; }
    CommResult open_port() override;
    void close_port() override;
    CommResult output(const QString& text) override;
    bool device_lost() const override { return lost_; }
    QByteArray input() override;

    // Bytes from the reader: buffered, and OnComm raised as the receive threshold says.
    void receive(const QByteArray& bytes);
    // A line event other than data received.
    void raise_event(int event) { raise_comm_event(event); }
    // The device goes away: the control closes, as the real one does on a lost device, and the
    // port reads lost until it is next opened or closed.
    void unplug();

    // Every Output text, in order, and the bytes they put on the line.
    const QStringList& outputs() const { return outputs_; }
    QByteArray written_bytes() const;
    void clear_outputs() { outputs_.clear(); }

    // Every successful open, by port number, and every attempt, in order.
    const QList<int>& opened_ports() const { return opened_; }
    const QList<int>& open_attempts() const { return attempts_; }
    int close_count() const { return closes_; }
    int open_port_number() const { return open_port_; }

    // Runs before each open with the port number, so that a test can change the ports over time.
    std::function<void(int port)> before_open;
    // How many Outputs the line takes before it refuses the rest, as a device pulled out
    // mid-frame; -1: all of them.
    qsizetype outputs_before_refusal = -1;

private:
    QSet<int> existing_;
    QSet<int> busy_;
    int open_port_ = 0;
    bool lost_ = false;
    QByteArray buffer_;
    QStringList outputs_;
    QList<int> opened_;
    QList<int> attempts_;
    int closes_ = 0;
};
