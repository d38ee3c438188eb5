#include "SimulatedLine.h"

#include "Card.h"
#include "CommandFrame.h"
#include "LineObserver.h"

#include <cerrno>

namespace {
constexpr int reader_port = 1;
} // namespace

SimulatedLine::SimulatedLine(std::chrono::milliseconds card_delay, QObject* parent)
    : SerialControl(parent)
    , reader_(reader_sim::Card(default_key().toLatin1()), {})
{
    card_.setSingleShot(true);
    card_.setInterval(card_delay);
    connect(&card_, &QTimer::timeout, this, [this] { pace_.queue(reader_.present_card()); });
    connect(&pace_, &reader_sim::AnswerPace::sent, this, &SimulatedLine::arrive);
}

CommResult SimulatedLine::open_port()
{
    close_port();
    if (comm_port() != reader_port)
        return CommResult::failure(port_name(comm_port()), ENOENT);
    open_ = true;
    if (observer())
        observer()->opened(port_name(reader_port));
    return CommResult::success();
}

void SimulatedLine::close_port()
{
    if (!open_)
        return;
    open_ = false;
    received_.clear();
    if (observer())
        observer()->closed(port_name(reader_port));
}

CommResult SimulatedLine::output(const QByteArray& bytes)
{
    if (!open_)
        return CommResult::failure(port_name(comm_port()), not_open_reason());
    if (observer())
        observer()->written(bytes);
    const QByteArrayList answers = reader_.receive(bytes);
    // Every frame is answered at once, so an answer means the awaited command changed.
    if (!answers.isEmpty()) {
        if (reader_.card_awaited())
            card_.start();
        else
            card_.stop();
    }
    for (const QByteArray& answer : answers)
        pace_.queue(answer);
    return CommResult::success();
}

QByteArray SimulatedLine::take_bytes(qsizetype count)
{
    const QByteArray batch = received_.first(count);
    received_.remove(0, count);
    if (observer() && !batch.isEmpty())
        observer()->received(batch);
    return batch;
}

void SimulatedLine::arrive(const QByteArray& bytes)
{
    // Nobody listens: the reader's answer went out on the line all the same, and is lost.
    if (!open_)
        return;
    received_ += bytes;
    announce_received();
}
