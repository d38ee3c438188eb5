#pragma once

// The serial link as the rest of the tool sees it.
//
// SerialControl is the one serial control of the window, with the property set of the classic
// COM-port control: CommPort, Settings, RThreshold, InputMode, InputLen, PortOpen, DTREnable,
// RTSEnable, Output, Input, CommEvent and the OnComm notification. With CommResult, LineSettings
// and LineObserver it is the serial contract (library novard_serial_contract, QtCore only), which
// the protocol and the port operations use. QtSerialControl puts it on QSerialPort (novard_serial):
// PortMap says which device a port number is, a mapping, a folder of links, or the system's own
// serial devices (SystemPorts, QtSystemPorts), numbered USB adapters first and renumbered only at a
// port search. FakeSerialControl scripts it for tests (novard_serial_fake). PortOperations
// (novard_ports) chooses, opens and searches ports on top of the control and reaches the window
// only through PortPanel.
//
// A device that goes away while open (an adapter pulled out) closes the port and raises
// comEventDeviceLost. Until the port is next opened or closed the control watches the device's
// folder, and once the same device is back it opens it again by itself and raises
// comEventDeviceBack.
//
// Property values are kept across closing and reopening: a reopened port runs with the settings,
// threshold, input mode and DTR/RTS state put earlier. CommPort may be put while a port is open
// (it applies at the next open), and opening an open control closes it and opens it again on the
// current CommPort; so a port search started with COM1 open still lists COM1.
// Failures come back as CommResult and carry the operating system's reason.
//
// A LineObserver set on a QtSerialControl is told of every write, received batch, open, close and
// loss on the line (the program's wire trace), beside the road the bytes take.

#include "CommResult.h"
#include "LineSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class SerialControl : public QObject {
    Q_OBJECT

public:
    // CommEvent values of the classic control. The reply decoder takes comEvReceive, the port
    // operations the loss and return of the device. A QSerialPort line raises those three; the
    // line-error codes are kept so that a handler can be shown to ignore them.
    enum CommEventCode {
        comEvNone = 0,
        comEvReceive = 2,
        comEventBreak = 1001,
        comEventFrame = 1004,
        comEventOverrun = 1006,
        comEventRxParity = 1009,
        comEventDeviceLost = 1100, // the device went away; the control has closed itself
        comEventDeviceBack = 1101, // the lost device came back; the control has opened it again
    };
    enum InputModeCode { comInputModeText = 0, comInputModeBinary = 1 };

    // The reader's answers are a few bytes, so a batch is at most this many bytes; a larger
    // backlog is handed on in several batches, in order.
    static constexpr int max_batch_bytes = 32767;

    // The name of port n, "COM1" ... "COM16", as the operator sees it.
    static QString port_name(int port) { return QStringLiteral("COM%1").arg(port); }
    // The card reader's line settings, which are also the classic control's default.
    static QString reader_settings() { return QStringLiteral("9600,n,8,1"); }

    // The reason an Output on a closed control is refused.
    static QString not_open_reason() { return QStringLiteral("the port is not open"); }

    using QObject::QObject;

    int comm_port() const { return comm_port_; }
    void set_comm_port(int port) { comm_port_ = port; }

    QString settings() const { return settings_text_; }
    // An invalid text is a failure and leaves the settings as they were.
    CommResult set_settings(const QString& text);

    int rthreshold() const { return rthreshold_; }
    void set_rthreshold(int bytes) { rthreshold_ = bytes; }
    int input_mode() const { return input_mode_; }
    void set_input_mode(int mode) { input_mode_ = mode; }
    int input_len() const { return input_len_; }
    void set_input_len(int bytes) { input_len_ = bytes; }

    bool dtr_enable() const { return dtr_enable_; }
    void set_dtr_enable(bool on);
    bool rts_enable() const { return rts_enable_; }
    void set_rts_enable(bool on);

    int comm_event() const { return comm_event_; }

    // The port whose device is a simulated reader (the demonstration's), 0 for none: its loss
    // means that the simulator stopped, not that a reader was pulled out.
    int simulated_port() const { return simulated_port_; }
    void set_simulated_port(int port) { simulated_port_ = port; }

    // PortOpen. Opening opens port CommPort with the current properties, reopening it when a port
    // is open. Closing cannot fail, and does nothing on a closed control.
    virtual bool port_open() const = 0;
    virtual CommResult open_port() = 0;
    virtual void close_port() = 0;

    // The device port n opens, for the operator to see; by default the port's own name.
    virtual QString device_for(int port) const { return port_name(port); }
    // Takes the system's numbering of its serial devices anew, where it has one.
    virtual void renumber_ports() { }
    // The open port's device went away and the port was not opened or closed since.
    virtual bool device_lost() const { return false; }

    // Output: the text's characters go out in order and unchanged, ASCII one byte each (characters
    // beyond ASCII as UTF-8). Refused while no port is open.
    virtual CommResult output(const QString& text) = 0;

    // Input: the waiting bytes, in arrival order, taken out of the receive buffer: all of them
    // when InputLen is 0, else at most InputLen; never more than max_batch_bytes.
    virtual QByteArray input() = 0;

signals:
    // Raised after bytes arrive (CommEvent comEvReceive) and on line events (other values).
    void OnComm();

protected:
    const LineSettings& line_settings() const { return line_settings_; }
    void raise_comm_event(int event);

    // Called when Settings, DTREnable or RTSEnable change while the port is open.
    virtual CommResult apply_line_settings() { return CommResult::success(); }
    virtual void apply_modem_lines() { }

private:
    int comm_port_ = 1;
    QString settings_text_ = reader_settings();
    LineSettings line_settings_;
    int rthreshold_ = 0;
    int input_mode_ = comInputModeText;
    int input_len_ = 0;
    bool dtr_enable_ = true;
    bool rts_enable_ = false;
    int comm_event_ = comEvNone;
    int simulated_port_ = 0;
};
