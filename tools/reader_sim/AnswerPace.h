#pragma once

#include "AnswerBuffer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace reader_sim {

// The reader's answers at the line's pace, by a timer of the event loop it lives in, for a reader
// inside the program: the pseudo-terminal reader's pace and buffer without its descriptors. Bytes
// are due one AnswerBuffer::byte_time apart from the first answer queued on an idle line; each
// tick sends what is due by the clock, so a coarse or late timer sends several bytes at once, as a
// line's driver hands them on, and none ever sooner than its time.
class AnswerPace : public QObject {
    Q_OBJECT

public:
    explicit AnswerPace(QObject* parent = nullptr);

    void queue(const QByteArray& answer);
    bool idle() const { return answers_.empty(); }

signals:
    // The bytes that came due, in order.
    void sent(const QByteArray& bytes);

private:
    void send_due();

    AnswerBuffer answers_;
    QTimer tick_;
    // Since the line was last idle, and the bytes it sent in that time.
    QElapsedTimer clock_;
    qint64 sent_ = 0;
};

} // namespace reader_sim
