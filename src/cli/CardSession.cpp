#include "CardSession.h"

#include "ByteDisplay.h"
#include "CardText.h"
#include "ReaderMessages.h"
#include "SerialControl.h"

#include <algorithm>
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

QString cut_message(qsizetype sent, qsizetype frame)
{
    return CardSession::tr("명령을 다 보내지 못했습니다: %1바이트 중 %2바이트만 나갔습니다")
        .arg(frame)
        .arg(sent);
}

QString bad_reply_message(const QByteArray& reply)
{
    const QString text = CardSession::tr("리더의 응답이 블록(16바이트와 CR)이 아닙니다: %1바이트")
                             .arg(reply.size());
    return reply.isEmpty()
        ? text
        : text + QStringLiteral(" (%1)").arg(QString::fromLatin1(reply.toHex(' ').toUpper()));
}

constexpr qsizetype max_key_characters = 32;

bool is_address(QStringView text)
{
    return !text.isEmpty() && text.size() <= 3
        && std::ranges::all_of(text, [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Each names its field by the word of the options and the batch file's header.
QString refusal_text(
    const FieldRefusal& refused, const CommandFields& fields, TextEncoding encoding)
{
    const QString word = field_word(refused.field);
    switch (refused.fault) {
    case FieldFault::control_character:
        return CardSession::tr("%1: 제어 문자 0x%2는 어느 필드에도 넣을 수 없습니다")
            .arg(word,
                QString::number(uint(refused.character), 16).toUpper().rightJustified(2, u'0'));
    case FieldFault::separator:
        return CardSession::tr("%1: 필드를 나누는 ';'는 넣을 수 없습니다").arg(word);
    case FieldFault::unrepresentable:
        return CardSession::tr("%1: %2 문자는 %3로 쓸 수 없습니다")
            .arg(word, character_name(refused.character), encoding_label(encoding));
    case FieldFault::too_many_bytes:
        return CardSession::tr("data: %1자는 %3로 %2바이트입니다. 블록에는 %4바이트가 들어갑니다")
            .arg(character_count(fields.data))
            .arg(refused.bytes)
            .arg(encoding_label(encoding))
            .arg(block_bytes);
    }
    return {};
}

} // namespace

CardSession::CardSession(
    SerialControl& line, int ack_timeout_ms, int card_timeout_ms, TextEncoding encoding)
    : line_(line)
    , ack_timeout_ms_(ack_timeout_ms)
    , card_timeout_ms_(card_timeout_ms)
    , encoding_(encoding)
{
    ack_timer_.setSingleShot(true);
    card_timer_.setSingleShot(true);
    // A timer fires at the earliest after its interval, never before; precise timers keep it near.
    ack_timer_.setTimerType(Qt::PreciseTimer);
    card_timer_.setTimerType(Qt::PreciseTimer);
    quiet_timer_.setSingleShot(true);
    quiet_timer_.setTimerType(Qt::PreciseTimer);
    connect(&quiet_timer_, &QTimer::timeout, this, &CardSession::end_block);
    connect(&line_, &SerialControl::OnComm, this, &CardSession::on_comm);
    connect(&ack_timer_, &QTimer::timeout, this,
        [this] { time_out(Result::no_answer, no_answer_message()); });
    connect(&card_timer_, &QTimer::timeout, this,
        [this] { time_out(Result::no_card, no_card_message()); });
}

QString CardSession::refusal(CardCommand command, const CommandFields& typed, TextEncoding encoding)
{
    const CommandFields fields = trimmed_fields(command, typed);
    // The frame's shape first, then the rules a reader's block and key follow.
    if (const auto refused = shape_refusal(fields))
        return refusal_text(*refused, fields, encoding);
    if (!is_address(fields.address))
        return tr("address: 1~3자리 십진수여야 합니다 ('%1')").arg(echo_form(fields.address));
    if (const qsizetype count = character_count(fields.key); count > max_key_characters)
        return tr("key: %1자입니다. 최대 %2자까지 넣을 수 있습니다")
            .arg(count)
            .arg(max_key_characters);
    if (data_too_long(fields))
        return ReaderMessages::too_long_message();
    const auto encoded = encode_fields(fields, encoding);
    if (const auto* refused = std::get_if<FieldRefusal>(&encoded))
        return refusal_text(*refused, fields, encoding);
    return {};
}

void CardSession::abandon()
{
    if (busy_)
        time_out(Result::interrupted, interrupted_message(command_));
}

QString CardSession::interrupted_message(CardCommand command)
{
    return command == CardCommand::read
        ? tr("멈췄습니다: 명령은 리더에 나갔으나 블록을 읽지 못했습니다")
        : tr("멈췄습니다: 명령이 이미 리더에 나갔으므로, 카드를 대면 리더가 아직 블록에 쓸 수 "
             "있습니다");
}

void CardSession::time_out(Result result, const QString& message)
{
    if (const qsizetype unsent = line_.drop_unsent(); unsent > 0)
        finish(Result::port_error, cut_message(frame_size_ - unsent, frame_size_));
    else
        finish(result, message);
}

QByteArray CardSession::written_block(const CommandFields& fields, TextEncoding encoding)
{
    return encode_card_text(trimmed_fields(CardCommand::new_issue, fields).data, encoding)
        .value_or(QByteArray())
        .leftJustified(block_bytes, ' ', true);
}

void CardSession::start(CardCommand command, const CommandFields& typed)
{
    busy_ = true;
    command_ = command;
    data_.clear();
    last_message_.clear();
    clock_.start();
    if (const QString refused = refusal(command, typed, encoding_); !refused.isEmpty()) {
        finish(Result::bad_input, refused);
        return;
    }
    const auto fields
        = std::get<EncodedFields>(encode_fields(trimmed_fields(command, typed), encoding_));
    const auto writes = frame_writes(command, fields);
    frame_size_ = 0;
    for (const QByteArray& write : writes)
        frame_size_ += write.size();
    for (const QByteArray& write : writes) {
        if (const CommResult result = line_.output(write); !result) {
            finish(Result::port_error,
                ReaderMessages::send_failed_message() + QStringLiteral(" (")
                    + ReaderMessages::operator_detail(result) + u')');
            return;
        }
    }
    state_ = initial_state(command);
    emit sent(echo_text(command, fields, encoding_));
    if (ack_timeout_ms_ > 0)
        ack_timer_.start(ack_timeout_ms_);
}

void CardSession::on_comm()
{
    if (line_.comm_event() == SerialControl::CommEvent::device_lost) {
        if (busy_)
            finish(Result::port_error, ReaderMessages::lost_message(line_.comm_port()));
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
    if (busy_ && state_ == read_ack_cr) {
        take_block(byte);
        return;
    }
    const ProgressState before = state_;
    const auto step = busy_ ? progress_step(byte, state_) : std::nullopt;
    if (!step) {
        noise.append(byte);
        return;
    }
    // Told in its place among the messages.
    if (!noise.isEmpty())
        emit stray(std::exchange(noise, {}));
    step_through(QByteArrayView(&byte, 1));
    if (awaits_card(state_)) {
        ack_timer_.stop();
        if (card_timeout_ms_ > 0)
            card_timer_.start(card_timeout_ms_);
    } else if (state_ == idle) {
        finish(ending_from(before), last_message_);
    }
}

// The card was presented: from its first byte the reply is timed by its quiet, not the card
// timeout.
void CardSession::take_block(char byte)
{
    card_timer_.stop();
    data_.append(byte);
    last_byte_ms_ = clock_.elapsed();
    if (data_.size() == block_bytes + 1 && byte == cr) {
        quiet_timer_.stop();
        data_.chop(1);
        finish(Result::completed, step_through(QByteArrayView(&cr, 1)), last_byte_ms_);
        return;
    }
    quiet_timer_.start(reply_quiet_ms);
}

void CardSession::end_block()
{
    if (!busy_)
        return;
    if (data_ == QByteArrayView("\x18\r"))
        finish(Result::card_failed, step_through(data_), last_byte_ms_);
    else
        finish(Result::bad_reply, bad_reply_message(data_), last_byte_ms_);
}

QString CardSession::step_through(QByteArrayView bytes)
{
    for (const char byte : bytes) {
        if (const auto step = progress_step(byte, state_)) {
            state_ = step->next_state;
            if (*step->message) {
                last_message_ = step_message(*step);
                emit message(last_message_);
            }
        }
    }
    return last_message_;
}

void CardSession::finish(Result result, const QString& message, qint64 elapsed_ms)
{
    ack_timer_.stop();
    card_timer_.stop();
    quiet_timer_.stop();
    // The reader's own endings have told their message already; the others are told here, still
    // as the operation's.
    if (result != Result::completed && result != Result::card_failed && result != Result::refused)
        emit this->message(message);
    busy_ = false;
    // A failed card leaves no data; a reply that is no block is shown as it came.
    const bool shown = result == Result::completed || result == Result::bad_reply;
    emit finished({ result, message, shown ? data_ : QByteArray(),
        elapsed_ms >= 0 ? elapsed_ms : clock_.elapsed(), {} });
}
