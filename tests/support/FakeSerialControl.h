#pragma once

#include "SerialControl.h"

#include <QByteArrayList>
#include <QList>
#include <QMap>
#include <QSet>
#include <functional>

// A scripted serial control for tests: which port numbers exist and which are busy, a record of
// every attempt to open and every Output in order, and a way to push received bytes.
// Device names are "COMn" unless told, and the numbering never changes.
class FakeSerialControl final : public SerialControl {
    Q_OBJECT

public:
    using SerialControl::SerialControl;

    // Ports that exist; those refused among them do not open, a busy one with EBUSY, any other
    // with EACCES.
    void set_existing_ports(QSet<int> ports) { existing_ = std::move(ports); }
    QMap<int, CommResult::Kind> refusals;
    // A port's device where it is not named "COMn".
    QMap<int, QString> devices;
    QString device_for(int port) const override { return devices.value(port, port_name(port)); }

    bool port_open() const override { return open_port_ != 0; }
    CommResult open_port() override;
    void close_port() override { open_port_ = 0; }
    CommResult output(const QByteArray& bytes) override;
    bool device_lost() const override { return lost; }
    bool lost = false; // the open port's device went away, as a test says

    // Bytes from the reader: buffered, and OnComm raised as the receive threshold says.
    void receive(const QByteArray& bytes);

    // Every Output, in order.
    const QByteArrayList& outputs() const { return outputs_; }
    void clear_outputs() { outputs_.clear(); }

    // Every attempt to open, by port number, in order, and the port open now (0: none).
    const QList<int>& open_attempts() const { return attempts_; }
    int open_port_number() const { return open_port_; }

    // Runs before each open with the port number, so that a test can change the ports over time.
    std::function<void(int port)> before_open;
    // How many Outputs the line takes before it refuses the rest, as a device pulled out
    // mid-frame; -1: all of them.
    qsizetype outputs_before_refusal = -1;

protected:
    qsizetype bytes_waiting() const override { return buffer_.size(); }
    QByteArray take_bytes(qsizetype count) override;

private:
    QSet<int> existing_;
    int open_port_ = 0;
    QByteArray buffer_;
    QByteArrayList outputs_;
    QList<int> attempts_;
};
