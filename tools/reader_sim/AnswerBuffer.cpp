#include "AnswerBuffer.h"

#include <algorithm>

namespace reader_sim {

void AnswerBuffer::queue(const QByteArray& answer)
{
    if (answer.isEmpty())
        return;
    waiting_.push_back(answer);
    waiting_bytes_ += answer.size();
    while (waiting_bytes_ > capacity && waiting_.size() > 1) {
        waiting_bytes_ -= waiting_.front().size();
        waiting_.pop_front();
    }
}

QByteArrayView AnswerBuffer::next(qsizetype count) const
{
    if (empty())
        return {};
    const QByteArray& answer = outgoing_.isEmpty() ? waiting_.front() : outgoing_;
    return QByteArrayView(answer).first(std::min(count, answer.size()));
}

void AnswerBuffer::sent(qsizetype count)
{
    if (count <= 0)
        return;
    // Once its first byte is out, an answer is no longer waiting and cannot be dropped.
    if (outgoing_.isEmpty()) {
        outgoing_ = std::move(waiting_.front());
        waiting_.pop_front();
        waiting_bytes_ -= outgoing_.size();
    }
    outgoing_.remove(0, count);
}

} // namespace reader_sim
