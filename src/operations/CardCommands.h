#pragma once

// The window's operations (library novard_operations).
//
// CardCommands is the card side: a command button's press becomes one frame on the line, its
// fields in the card's encoding (CP949 unless told otherwise), written as three Outputs of the
// serial control (STX, the body, ETX); the frame is echoed in Label and cmd_state takes the
// command's first progress value. A character the encoding cannot represent, a control character
// in any field, a ';' in the address or the key, or data over a block's 16 bytes is refused with a
// message box, and nothing is written. Every OnComm with data received hands the waiting bytes to
// decode_reply, which shows each byte in the receive log and lets ACK, NAK, CAN and CR move
// cmd_state, writing the operator's messages to Label1. The frames, display forms and the progress
// table are the protocol's codec (src/protocol).
//
// PortOperations is the port side: choosing, opening and searching ports.
//
// Both reach the window's controls only through a narrow panel (CardPanel, PortPanel) and the line
// only through the serial contract (SerialControl), so they run the same on the real window and
// line, on the test doubles and in the fuzz target.

#include "CardPanel.h"
#include "CommandFrame.h"
#include "ReplyDecoder.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QString>

class SerialControl;

class CardCommands {
    Q_DECLARE_TR_FUNCTIONS(CardCommands)

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
    QString cmd_state() const { return state_text(cmd_state_); }
    // Only the sixteen texts name a state; any other text is taken as idle ("").
    void set_cmd_state(QStringView state)
    {
        cmd_state_ = progress_state(state).value_or(ProgressState::idle);
    }

    TextEncoding card_encoding() const { return card_encoding_; }
    void set_card_encoding(TextEncoding encoding) { card_encoding_ = encoding; }

    // The box for a character the card's encoding cannot represent.
    static QString unrepresentable_message(char32_t character, TextEncoding encoding);
    // The window's name of a field: the caption beside it.
    static QString field_caption(CommandField field);
    // The box for a field that cannot go out as it is: one that would change the frame's shape or
    // overfill the block, or a character the encoding cannot represent.
    static QString refusal_message(
        const FieldRefusal& refused, const CommandFields& fields, TextEncoding encoding);
    static QString no_port_message(); // the box for a send while no port is open
    // The box texts novard-cli gives too (too long, a failed send) are ReaderMessages'.

private:
    void send(CardCommand command);

    CardPanel& panel_;
    SerialControl& line_;
    ProgressState cmd_state_ = ProgressState::idle;
    int test_pattern_index_ = 0;
    TextEncoding card_encoding_ = TextEncoding::cp949;
};
