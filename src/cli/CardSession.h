#pragma once

#include "CardOutcome.h"
#include "CommandFrame.h"
#include "ReplyDecoder.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class SerialControl;

// Runs card operations one at a time on an open line, as the window's buttons do: the same frame
// from the codec in three writes, and the reader's answer decoded byte by byte through the codec's
// progress table. Only the reader's acceptance (ACK CR) is timed by the ack timeout, the card by
// the card timeout. A byte that moves no step of the operation in progress is noise: it is never
// taken for the card's data, and is told through stray(). Fields go out in the card's encoding;
// a frame the line has not taken whole when the time is up is given up, as a port error.
//
// A read's card answers with its block, counted: 16 bytes, whatever they hold (0D and 18 are data
// there), then CR. Any other answer ends once the line has been quiet for reply_quiet_ms after
// its last byte: CAN CR alone is the card failure, anything else a bad reply with its bytes.
class CardSession final : public QObject {
    Q_OBJECT

public:
    CardSession(
        SerialControl& line, int ack_timeout_ms, int card_timeout_ms, TextEncoding encoding);

    // The fields as typed: trimmed here. The outcome comes through finished(), also for data over
    // the limit (at once, nothing written).
    void start(CardCommand command, const CommandFields& fields);
    bool busy() const { return busy_; }

    // The fields' check alone: the refusal text, one line naming the field, or empty when the
    // command can be sent.
    static QString refusal(CardCommand command, const CommandFields& fields, TextEncoding encoding);
    // A read's reply that stops for this long has ended: about a hundred character times at 9600
    // baud, well beyond the gaps of a USB adapter's latency timer (16 ms) inside one reply.
    static constexpr int reply_quiet_ms = 100;

    // When the program is stopped: an operation whose frame went out ends as interrupted, one whose
    // frame was not sent whole is given up and ends as a port error.
    void abandon();
    // The message of an operation stopped after its frame went out.
    static QString interrupted_message(CardCommand command);
    // The block an issue or modify leaves on the card: the data's bytes in the card encoding,
    // padded with spaces.
    static QByteArray written_block(const CommandFields& fields, TextEncoding encoding);

signals:
    void sent(const QString& echo);
    // Each of the window's messages for the operation in progress, as it would show it.
    void message(const QString& text);
    void stray(const QByteArray& bytes);
    void finished(const CardOutcome& outcome);

private:
    void on_comm();
    void take(char byte, QByteArray& noise);
    void take_block(char byte);
    void end_block();
    // Steps the codec's progress table through the bytes, telling each message; the last one.
    QString step_through(QByteArrayView bytes);
    void finish(CardOutcome::Result result, const QString& message, qint64 elapsed_ms = -1);
    void time_out(CardOutcome::Result result, const QString& message);

    SerialControl& line_;
    int ack_timeout_ms_;
    int card_timeout_ms_;
    TextEncoding encoding_;
    qsizetype frame_size_ = 0;
    bool busy_ = false;
    CardCommand command_ = CardCommand::read;
    ProgressState state_ = ProgressState::idle;
    QByteArray data_; // a read's reply after ACK CR
    qint64 last_byte_ms_ = 0;
    QString last_message_;
    QElapsedTimer clock_;
    QTimer ack_timer_;
    QTimer card_timer_;
    QTimer quiet_timer_;
};
