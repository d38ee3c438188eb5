#pragma once

// The serial link as the rest of the tool sees it.
//
// SerialControl is the one serial control of the window, with the property set of the classic
// COM-port control: CommPort, Settings, RThreshold, InputLen, PortOpen, DTREnable, RTSEnable,
// Output, Input, CommEvent and the OnComm notification; Input is always binary, so there is no
// InputMode. With CommResult, LineSettings and LineObserver it is the serial contract (library
// novard_serial_contract, QtCore only), which the window's operations use. The platform's control
// and list of ports come from SerialPlatform.h (novard_serial): on Linux QtSerialControl over
// QSerialPort, and QtSystemPorts, numbered USB adapters first and renumbered only at a port search;
// on Windows WinSerialControl over the communications API, and WinSystemPorts, where the system
// names its ports COMn itself. PortMap says which device a port number is, a mapping, a folder of
// links, or the system's own serial devices. The tests script it with a double of their own
// (tests/support).
//
// Both platforms' controls are a MappedSerialControl, the one home of the rules below for a device
// lost and found again. A device that goes away while open (an adapter pulled out) closes the port
// and raises CommEvent::device_lost. The port stays lost until its device is open again, another
// port is opened or the ports are renumbered (a search); meanwhile choosing it again tries it
// again. A device is opened again by itself only when it is known to be the same one: the same USB
// identity (SystemPorts), found at its old node or at another, which the port then names
// (CommEvent::device_back). Another device at the old node is left closed
// (CommEvent::other_device); a device with no identity (a pseudo-terminal, a built-in UART) is
// reopened only by choosing its port again. Opening a port whose device had an identity likewise
// opens that device wherever it is now, and never another at its node.
//
// Property values are kept across closing and reopening: a reopened port runs with the settings,
// threshold and DTR/RTS state put earlier. CommPort may be put while a port is open (it applies
// at the next open), and opening an open control closes it and opens it again on the current
// CommPort; so a port search started with COM1 open still lists COM1.
// Failures come back as CommResult and carry the operating system's reason and its kind.
//
// A LineObserver set on the control is told of every write, received batch, open, close and
// loss on the line (the program's wire trace), beside the road the bytes take.

#include "CommResult.h"
#include "LineObserver.h"
#include "LineSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class SerialControl : public QObject {
    Q_OBJECT

public:
    // What the last OnComm was about.
    enum class CommEvent {
        none,
        receive, // bytes wait to be taken by Input
        device_lost, // the open port's device went away; the control has closed itself
        device_back, // the lost device came back; the control has opened it again
        other_device, // another device is at the lost device's node; it is left closed
    };

    // The reader's answers are a few bytes, so a batch is at most this many bytes; a larger
    // backlog is handed on in several batches, in order.
    static constexpr int max_batch_bytes = 32767;

    // The name of port n, "COM1" ... "COM16", as the operator sees it.
    static QString port_name(int port) { return QStringLiteral("COM%1").arg(port); }
    // The card reader's line settings, which are also the classic control's default.
    static QString reader_settings() { return QStringLiteral("9600,n,8,1"); }

    // The reason an Output on a closed control is refused.
    static QString not_open_reason() { return tr("통신포트가 열려 있지 않습니다"); }

    using QObject::QObject;

    int comm_port() const { return comm_port_; }
    void set_comm_port(int port) { comm_port_ = port; }

    QString settings() const { return settings_text_; }
    // An invalid text is a failure and leaves the settings as they were.
    CommResult set_settings(const QString& text);

    int rthreshold() const { return rthreshold_; }
    void set_rthreshold(int bytes) { rthreshold_ = bytes; }
    int input_len() const { return input_len_; }
    void set_input_len(int bytes) { input_len_ = bytes; }

    bool dtr_enable() const { return dtr_enable_; }
    void set_dtr_enable(bool on);
    bool rts_enable() const { return rts_enable_; }
    void set_rts_enable(bool on);

    CommEvent comm_event() const { return comm_event_; }

    // PortOpen. Opening opens port CommPort with the current properties, reopening it when a port
    // is open. Closing cannot fail, and does nothing on a closed control.
    virtual bool port_open() const = 0;
    virtual CommResult open_port() = 0;
    virtual void close_port() = 0;

    // The device port n opens, for the operator to see; by default the port's own name.
    virtual QString device_for(int port) const { return port_name(port); }
    // Takes the system's numbering of its serial devices anew, where it has one.
    virtual void renumber_ports() { }
    // The port's device went away while open and the port is lost still (see above).
    virtual bool device_lost() const { return false; }

    // Output: the bytes go out in order and unchanged (text became bytes in the protocol's codec).
    // Refused while no port is open. A line that does not drain keeps them waiting, not refused.
    virtual CommResult output(const QByteArray& bytes) = 0;
    // Bytes given to Output that the device has not taken yet.
    virtual qsizetype bytes_unsent() const { return 0; }
    // Gives those bytes up, so that a frame cut short is not finished by the next one; the line's
    // observer is told how many went out and how many did not. Returns how many were given up.
    virtual qsizetype drop_unsent() { return 0; }

    // Input: the waiting bytes, always as bytes, in arrival order, taken out of the receive
    // buffer: all of them when InputLen is 0, else at most InputLen; never more than
    // max_batch_bytes.
    QByteArray input() { return take_bytes(batch_size(bytes_waiting())); }

    // Tells observer of every write, received batch, open, close and loss; nullptr for none.
    void set_observer(LineObserver* observer) { observer_ = observer; }

signals:
    // Raised after bytes arrive (CommEvent::receive) and on the device's loss and return.
    void OnComm();

protected:
    LineObserver* observer() const { return observer_; }
    const LineSettings& line_settings() const { return line_settings_; }
    void raise_comm_event(CommEvent event);
    // After bytes arrive: raises CommEvent::receive while at least RThreshold bytes wait (never at
    // RThreshold 0). A backlog larger than one batch is handed on in several notifications, in
    // order; a handler that takes nothing leaves the bytes for the next arrival instead of being
    // called forever.
    void announce_received();

    // The bytes waiting on an open port (none on a closed one), and count of them taken out.
    virtual qsizetype bytes_waiting() const = 0;
    virtual QByteArray take_bytes(qsizetype count) = 0;

    // Called when Settings, DTREnable or RTSEnable change while the port is open.
    virtual CommResult apply_line_settings() { return CommResult::success(); }
    virtual void apply_modem_lines() { }

private:
    qsizetype batch_size(qsizetype waiting) const;

    int comm_port_ = 1;
    QString settings_text_ = reader_settings();
    LineSettings line_settings_;
    int rthreshold_ = 0;
    int input_len_ = 0;
    bool dtr_enable_ = true;
    bool rts_enable_ = false;
    CommEvent comm_event_ = CommEvent::none;
    LineObserver* observer_ = nullptr;
};
