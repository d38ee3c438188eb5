#pragma once

#include "CommandFrame.h"
#include "ReplyDecoder.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class SerialControl;

// How one card operation ended, as a script sees it: a stable word, an exit status, the operator's
// message in the chosen language, and for a read the card's bytes.
struct CardOutcome {
    enum class Result {
        completed,
        card_failed,
        refused,
        no_answer,
        no_card,
        port_error,
        bad_input,
        verify_failed
    };

    Result result = Result::completed;
    QString message;
    QByteArray data; // a completed read's bytes between the reader's acceptance and its last CR
    qint64 elapsed_ms = 0; // from the frame going out to the answer's last byte (or the timeout)
    QByteArray written; // --verify: the block an issue or modify wrote, read back as data

    QString word() const;
    int exit_status() const { return status_of(result); }
    // The program's exit status for a card that ended so; --help's table is made from it.
    static int status_of(Result result);
};

// Runs card operations one at a time on an open line, as the window's buttons do: the same frame
// from the codec in three writes, and the reader's answer decoded byte by byte through the codec's
// progress table. Only the reader's acceptance (ACK CR) is timed by the ack timeout, the card by
// the card timeout. A byte that moves no step of the operation in progress is noise: it is never
// taken for the card's data, and is told through stray(). Fields go out in the card's encoding;
// a frame the line has not taken whole when the time is up is given up, as a port error.
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
    // When the program ends with a frame not sent whole: gives it up and ends as a port error.
    void abandon();
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
    void finish(CardOutcome::Result result, const QString& message);
    void time_out(CardOutcome::Result result, const QString& message);

    SerialControl& line_;
    int ack_timeout_ms_;
    int card_timeout_ms_;
    TextEncoding encoding_;
    qsizetype frame_size_ = 0;
    bool busy_ = false;
    ProgressState state_ = ProgressState::idle;
    QByteArray data_;
    QString last_message_;
    QElapsedTimer clock_;
    QTimer ack_timer_;
    QTimer card_timer_;
};
