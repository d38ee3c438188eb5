#pragma once

#include "PortMap.h"
#include "SerialControl.h"
#include "WinComLine.h"

#include <QElapsedTimer>
#include <QTimer>

// The serial control on a Windows COM port, through the communications API. Port n is the system's
// COMn unless the PortMap given at construction maps it elsewhere (a mapped path is opened as
// given). A port another program has open is busy: Windows opens a COM port for one program at a
// time. A device that goes away while open (its operations fail) is lost; one with an identity is
// looked for once a second while its port is lost, in the system's list of ports.
class WinSerialControl final : public SerialControl {
    Q_OBJECT

public:
    explicit WinSerialControl(PortMap map, QObject* parent = nullptr);
    ~WinSerialControl() override;

    bool port_open() const override { return line_.is_open() && !lost_; }
    CommResult open_port() override;
    void close_port() override { close_device(); }
    CommResult output(const QByteArray& bytes) override;
    qsizetype bytes_unsent() const override { return line_.unsent(); }
    qsizetype drop_unsent() override { return give_up_unsent(false); }
    QString device_for(int port) const override { return map_.device_for(port); }
    void renumber_ports() override;
    bool device_lost() const override { return lost_ || lost_port_ != 0; }

protected:
    qsizetype bytes_waiting() const override { return port_open() ? received_.size() : 0; }
    QByteArray take_bytes(qsizetype count) override;
    CommResult apply_line_settings() override;
    void apply_modem_lines() override;

private:
    void on_received(const QByteArray& bytes);
    void on_written(const QByteArray& bytes);
    void on_failed();

    CommResult open_located(int port);
    CommResult open_device(const QString& device);
    void close_device();
    // Tells the observer of the bytes the device has not taken, letting the write under way
    // finish first when the line closes, and forgets them; how many.
    qsizetype give_up_unsent(bool closing);
    void close_lost_device();
    void forget_lost();
    void reopen_if_back();

    PortMap map_;
    WinComLine line_;
    QByteArray received_;
    // The port and device opened, for failures while open (CommPort may have moved since).
    int open_port_ = 0;
    QString open_device_;
    // The device went away; the port reads closed at once and is closed on the next turn.
    bool lost_ = false;
    // The port whose device went away, while it is lost; 0 otherwise.
    int lost_port_ = 0;
    // Since when another device has held the lost one's name, and whether that has been told.
    QElapsedTimer node_taken_;
    bool other_told_ = false;
    QTimer recheck_;
    // What went out since the line was last idle (the frame that is being cut, when it is).
    qint64 burst_sent_ = 0;
};
