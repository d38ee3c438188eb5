#include "CardSession.h"

#include "CardCommands.h"
#include "PortOperations.h"
#include "SerialControl.h"

#include <array>
#include <utility>

namespace {

using Result = CardOutcome::Result;
using enum ProgressState;

bool awaits_card(ProgressState state)
{
    return state == read_ack_cr || state == edit_ack_cr || state == new_ack_cr;
}

// How an operation ended when its last CR took it from this state back to idle.
Result ending_from(ProgressState state)
{
    switch (state) {
    case read_ack_can:
    case edit_ack_can:
    case new_ack_can:
        return Result::card_failed;
    case read_nak:
    case edit_nak:
    case new_nak:
        return Result::refused;
    default:
        return Result::completed;
    }
}

QString no_answer_message()
{
    return CardSession::tr("리더가 응답하지 않습니다");
}

QString no_card_message()
{
    return CardSession::tr("카드 대기 시간이 초과되었습니다");
}

} // namespace

QString CardOutcome::word() const
{
    static const std::array<QString, 8> words { QStringLiteral("completed"),
        QStringLiteral("card_failed"), QStringLiteral("refused"), QStringLiteral("no_answer"),
        QStringLiteral("no_card"), QStringLiteral("port_error"), QStringLiteral("bad_input"),
        QStringLiteral("verify_failed") };
    return words[std::size_t(result)];
}

int CardOutcome::status_of(Result result)
{
    static constexpr std::array<int, 8> statuses { 0, 4, 3, 5, 5, 6, 2, 4 };
    return statuses[std::size_t(result)];
}

CardSession::CardSession(SerialControl& line, int ack_timeout_ms, int card_timeout_ms)
    : line_(line)
    , ack_timeout_ms_(ack_timeout_ms)
    , card_timeout_ms_(card_timeout_ms)
{
    ack_timer_.setSingleShot(true);
    card_timer_.setSingleShot(true);
    // A timer fires at the earliest after its interval, never before; precise timers keep it near.
    ack_timer_.setTimerType(Qt::PreciseTimer);
    card_timer_.setTimerType(Qt::PreciseTimer);
    connect(&line_, &SerialControl::OnComm, this, &CardSession::on_comm);
    connect(&ack_timer_, &QTimer::timeout, this,
        [this] { finish(Result::no_answer, no_answer_message()); });
    connect(&card_timer_, &QTimer::timeout, this,
        [this] { finish(Result::no_card, no_card_message()); });
}

QString CardSession::refusal(CardCommand command, const CommandFields& fields)
{
    return data_too_long(trimmed_fields(command, fields)) ? CardCommands::too_long_message()
                                                          : QString();
}

QByteArray CardSession::written_block(const CommandFields& fields)
{
    constexpr qsizetype block_size = 16;
    return trimmed_fields(CardCommand::new_issue, fields)
        .data.toUtf8()
        .leftJustified(block_size, ' ', true);
}

void CardSession::start(CardCommand command, const CommandFields& typed)
{
    busy_ = true;
    data_.clear();
    last_message_.clear();
    clock_.start();
    if (const QString refused = refusal(command, typed); !refused.isEmpty()) {
        finish(Result::bad_input, refused);
        return;
    }
    const CommandFields fields = trimmed_fields(command, typed);
    for (const QString& text : frame_writes(command, fields)) {
        if (const CommResult result = line_.output(text); !result) {
            finish(Result::port_error,
                CardCommands::send_failed_message() + QStringLiteral(" (") + result.detail()
                    + u')');
            return;
        }
    }
    state_ = initial_state(command);
    emit sent(echo_text(command, fields));
    if (ack_timeout_ms_ > 0)
        ack_timer_.start(ack_timeout_ms_);
}

void CardSession::on_comm()
{
    if (line_.comm_event() == SerialControl::CommEvent::device_lost) {
        if (busy_)
            finish(Result::port_error, PortOperations::lost_message(line_.comm_port()));
        return;
    }
    if (line_.comm_event() != SerialControl::CommEvent::receive)
        return;
    QByteArray noise;
    for (const char byte : line_.input())
        take(byte, noise);
    if (!noise.isEmpty())
        emit stray(noise);
}

void CardSession::take(char byte, QByteArray& noise)
{
    const ProgressState before = state_;
    const auto step = busy_ ? progress_step(byte, state_) : std::nullopt;
    if (!step) {
        // While a read's card is awaited, every byte but CAN and CR is the block's.
        if (busy_ && state_ == read_ack_cr)
            data_.append(byte);
        else
            noise.append(byte);
        return;
    }
    // Told in its place among the messages.
    if (!noise.isEmpty())
        emit stray(std::exchange(noise, {}));
    state_ = step->next_state;
    if (*step->message) {
        last_message_ = step_message(*step);
        emit message(last_message_);
    }
    if (awaits_card(state_)) {
        ack_timer_.stop();
        if (card_timeout_ms_ > 0)
            card_timer_.start(card_timeout_ms_);
    } else if (state_ == idle) {
        finish(ending_from(before), last_message_);
    }
}

void CardSession::finish(Result result, const QString& message)
{
    ack_timer_.stop();
    card_timer_.stop();
    // The reader's own endings have told their message already; the others are told here, still
    // as the operation's.
    if (result != Result::completed && result != Result::card_failed && result != Result::refused)
        emit this->message(message);
    busy_ = false;
    // Bytes before a CAN are no card's data.
    emit finished({ result, message, result == Result::completed ? data_ : QByteArray(),
        clock_.elapsed(), {} });
}
