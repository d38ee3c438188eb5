#include "AnswerPace.h"

#include <algorithm>
#include <chrono>

namespace reader_sim {

AnswerPace::AnswerPace(QObject* parent)
    : QObject(parent)
{
    // A byte takes about a millisecond: a coarse timer would hand the bytes on in bursts.
    tick_.setTimerType(Qt::PreciseTimer);
    tick_.setInterval(1);
    connect(&tick_, &QTimer::timeout, this, &AnswerPace::send_due);
}

void AnswerPace::queue(const QByteArray& answer)
{
    if (answer.isEmpty())
        return;
    if (answers_.empty()) {
        clock_.start();
        sent_ = 0;
        tick_.start();
    }
    answers_.queue(answer);
}

void AnswerPace::send_due()
{
    qint64 due = std::chrono::nanoseconds(clock_.nsecsElapsed()) / AnswerBuffer::byte_time - sent_;
    QByteArray bytes;
    while (due > 0 && !answers_.empty()) {
        const QByteArrayView next
            = answers_.next(qsizetype(std::min<qint64>(due, AnswerBuffer::capacity)));
        bytes += next;
        answers_.sent(next.size());
        due -= next.size();
        sent_ += next.size();
    }
    if (answers_.empty())
        tick_.stop();
    if (!bytes.isEmpty())
        emit sent(bytes);
}

} // namespace reader_sim
