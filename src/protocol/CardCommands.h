#pragma once

// The card command protocol.
//
// A command button's press becomes one frame on the line (CommandFrame): STX, a body such as
// "R04;730914", ETX, written as three Outputs of the serial control; the frame is echoed in Label
// and cmd_state takes the command's first progress value. Every OnComm with data received hands
// the waiting bytes to decode_reply, which shows each byte in the receive log (ByteDisplay,
// ReceiveLog) and lets ACK, NAK, CAN and CR move cmd_state through the progress machine
// (ReplyDecoder), writing the operator's messages to Label1.
//
// CardCommands owns cmd_state and the test-pattern position for the window, and reaches the
// window's controls through CardPanel and the line through SerialControl.

#include "CardPanel.h"
#include "CommandFrame.h"
#include "ReplyDecoder.h"

#include <QByteArrayView>
#include <QString>

class SerialControl;

class CardCommands {
public:
    CardCommands(CardPanel& panel, SerialControl& line);

    // The four buttons of the RF Card frame and the clear button.
    void cmd_read();
    void cmdwrite();
    void cmdeditwrite();
    void cmdeditwrtest();
    void cmderase();

    // OnComm of the serial control: takes the waiting bytes when data was received.
    void on_comm();
    void decode_reply(QByteArrayView batch);

    // One of its sixteen texts: "", "read", "read_ack" ...
    const QString& cmd_state() const { return state_text(cmd_state_); }
    // Only the sixteen texts name a state; any other text is taken as idle ("").
    void set_cmd_state(QStringView state)
    {
        cmd_state_ = progress_state(state).value_or(ProgressState::idle);
    }

    static QString too_long_message(); // "16자를 초과 했습니다"
    static QString no_port_message(); // the box for a send while no port is open
    static QString send_failed_message(); // the box for a write the line refused

private:
    void send(CardCommand command);

    CardPanel& panel_;
    SerialControl& line_;
    ProgressState cmd_state_ = ProgressState::idle;
    int test_pattern_index_ = 0;
};
