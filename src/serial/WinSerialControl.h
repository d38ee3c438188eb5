#pragma once

#include "MappedSerialControl.h"
#include "WinComLine.h"

// The serial control on a Windows COM port, through the communications API. Port n is the system's
// COMn unless the PortMap given at construction maps it elsewhere (a mapped path is opened as
// given). A port another program has open is busy: Windows opens a COM port for one program at a
// time. A device that goes away while open (its operations fail) is lost; one with an identity is
// looked for once a second while its port is lost, in the system's list of ports.
class WinSerialControl final : public MappedSerialControl {
    Q_OBJECT

public:
    explicit WinSerialControl(PortMap map, QObject* parent = nullptr);
    ~WinSerialControl() override;

    CommResult output(const QByteArray& bytes) override;
    qsizetype bytes_unsent() const override { return line_.unsent(); }
    qsizetype drop_unsent() override { return give_up_unsent(false); }

protected:
    qsizetype bytes_waiting() const override { return port_open() ? received_.size() : 0; }
    QByteArray take_bytes(qsizetype count) override;
    CommResult apply_line_settings() override;
    void apply_modem_lines() override;
    bool line_open() const override { return line_.is_open(); }
    CommResult open_line(const QString& device) override;
    bool close_line() override;
    bool node_exists(const QString& node) const override { return WinComLine::exists(node); }
    CommResult missing(const QString& node) const override;
    CommResult taken(const QString& node) const override;

private:
    void on_received(const QByteArray& bytes);
    void on_written(const QByteArray& bytes);

    // Tells the observer of the bytes the device has not taken, letting the write under way
    // finish first when the line closes, and forgets them; how many.
    qsizetype give_up_unsent(bool closing);

    WinComLine line_;
    QByteArray received_;
    // What went out since the line was last idle (the frame that is being cut, when it is).
    qint64 burst_sent_ = 0;
};
