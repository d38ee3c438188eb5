#include "CardCommands.h"

#include "ByteDisplay.h"
#include "ReaderMessages.h"
#include "ReceiveLog.h"
#include "ReplyDecoder.h"
#include "SerialControl.h"

CardCommands::CardCommands(CardPanel& panel, SerialControl& line)
    : panel_(panel)
    , line_(line)
{
}

void CardCommands::cmd_read()
{
    send(CardCommand::read);
}

void CardCommands::cmdwrite()
{
    send(CardCommand::new_issue);
}

void CardCommands::cmdeditwrite()
{
    send(CardCommand::modify_issue);
}

void CardCommands::cmdeditwrtest()
{
    panel_.set_data_text(test_pattern(test_pattern_index_));
    test_pattern_index_ = next_test_pattern_index(test_pattern_index_);
}

void CardCommands::cmderase()
{
    panel_.set_log_text(QString());
    panel_.set_echo(QString());
}

void CardCommands::on_comm()
{
    if (line_.comm_event() != SerialControl::CommEvent::receive)
        return;
    decode_reply(line_.input());
}

void CardCommands::decode_reply(QByteArrayView batch)
{
    if (batch.isEmpty())
        return;
    // The log is not shown until the whole batch is scanned, so its text can be made in one go;
    // the messages still come in byte order.
    const QString batch_text = display_text(batch);
    for (const char byte : batch) {
        // Most bytes are data: only the four control bytes look the table up.
        if (byte != ack && byte != nak && byte != can && byte != cr)
            continue;
        if (const auto step = progress_step(byte, cmd_state_)) {
            cmd_state_ = step->next_state;
            if (*step->message)
                panel_.set_status(step_message(*step));
        }
    }
    panel_.append_log_text(batch_text);
}

QString CardCommands::unrepresentable_message(char32_t character, TextEncoding encoding)
{
    return tr("%1 문자는 %2 인코딩으로 카드에 쓸 수 없습니다. 보내지 않았습니다.")
        .arg(character_name(character), encoding_label(encoding));
}

QString CardCommands::field_caption(CommandField field)
{
    // As the window labels the fields.
    switch (field) {
    case CommandField::address:
        return QStringLiteral("Address");
    case CommandField::key:
        return QStringLiteral("Key A");
    case CommandField::data:
        return QCoreApplication::translate("ControlTable", "발행번호");
    }
    return {};
}

QString CardCommands::refusal_message(
    const FieldRefusal& refused, const CommandFields& fields, TextEncoding encoding)
{
    const QString field = field_caption(refused.field);
    switch (refused.fault) {
    case FieldFault::control_character:
        return tr("%1 칸에 제어 문자가 있습니다(%2). 보내지 않았습니다.")
            .arg(field, echo_form(QString::fromUcs4(&refused.character, 1)));
    case FieldFault::separator:
        return tr("%1 칸에는 필드를 나누는 ';'를 넣을 수 없습니다. 보내지 않았습니다.").arg(field);
    case FieldFault::unrepresentable:
        return unrepresentable_message(refused.character, encoding);
    case FieldFault::too_many_bytes:
        return tr("%1 칸의 %2자는 %3 인코딩으로 %4바이트입니다. 블록에는 %5바이트까지 "
                  "들어갑니다. 보내지 않았습니다.")
            .arg(field)
            .arg(character_count(fields.data))
            .arg(encoding_label(encoding))
            .arg(refused.bytes)
            .arg(block_bytes);
    }
    return {};
}

QString CardCommands::no_port_message()
{
    return tr("열린 통신포트가 없습니다. 통신포트를 선택하십시오.");
}

void CardCommands::send(CardCommand command)
{
    // The log then shows only what arrives for this read, even if the send fails.
    if (command == CardCommand::read)
        panel_.set_log_text(QString());

    // A read neither reads nor checks the data field.
    const CommandFields fields = trimmed_fields(command,
        { panel_.address_text(), panel_.key_text(),
            command == CardCommand::read ? QString() : panel_.data_text() });
    if (data_too_long(fields)) {
        panel_.show_message(ReaderMessages::too_long_message(), QString());
        return;
    }
    const auto encoded = encode_fields(fields, card_encoding_);
    if (const auto* refused = std::get_if<FieldRefusal>(&encoded)) {
        panel_.show_message(refusal_message(*refused, fields, card_encoding_), QString());
        return;
    }
    const auto& bytes = std::get<EncodedFields>(encoded);

    // No port open (after a search, a pull or a failed switch) names no device: the one in
    // CommPort was never chosen by the operator.
    if (!line_.port_open()) {
        panel_.show_message(no_port_message(), QString());
        return;
    }
    for (const QByteArray& write : frame_writes(command, bytes)) {
        if (const CommResult result = line_.output(write); !result) {
            panel_.show_message(ReaderMessages::send_failed_message(), result.detail());
            return;
        }
    }
    panel_.set_echo(echo_text(command, bytes, card_encoding_));
    cmd_state_ = initial_state(command);
}
