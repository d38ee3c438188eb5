#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <chrono>
#include <deque>

namespace reader_sim {

// The reader's answers on their way out, one byte per character time, and the buffer they wait in,
// as in a real reader: when a flood of frames overfills it, the oldest waiting answers are dropped,
// whole, so memory stays flat and a frame after the flood is answered within half a second. The
// answer going out is never cut. Whoever drives the line keeps the time; this keeps the bytes.
class AnswerBuffer {
public:
    static constexpr qsizetype capacity = 512;
    // 10 bits (start, 8 data, stop) at 9600 baud, about 1.04 ms.
    static constexpr std::chrono::nanoseconds byte_time { 1'000'000'000LL * 10 / 9600 };

    void queue(const QByteArray& answer);
    bool empty() const { return outgoing_.isEmpty() && waiting_.empty(); }
    // At most count bytes of the answer going out, or of the next one when none is; empty when
    // nothing waits.
    QByteArrayView next(qsizetype count) const;
    // The first count bytes that next() gave went out on the line.
    void sent(qsizetype count);

private:
    QByteArray outgoing_;
    std::deque<QByteArray> waiting_;
    qsizetype waiting_bytes_ = 0;
};

} // namespace reader_sim
