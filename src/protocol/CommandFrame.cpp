#include "CommandFrame.h"

#include "ByteDisplay.h"

#include <QCoreApplication>
#include <algorithm>

QString trim_spaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin).toString();
}

qsizetype character_count(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        ++count;
    }
    return count;
}

namespace {

char command_letter(CardCommand command)
{
    switch (command) {
    case CardCommand::read:
        return 'R';
    case CardCommand::new_issue:
        return 'N';
    case CardCommand::modify_issue:
        return 'W';
    }
    return 'R';
}

} // namespace

CommandFields trimmed_fields(CardCommand command, const CommandFields& typed)
{
    return { trim_spaces(typed.address), trim_spaces(typed.key),
        command == CardCommand::read ? QString() : trim_spaces(typed.data) };
}

bool data_too_long(const CommandFields& fields)
{
    return character_count(fields.data) > max_data_characters;
}

QString field_word(CommandField field)
{
    switch (field) {
    case CommandField::address:
        return QStringLiteral("address");
    case CommandField::key:
        return QStringLiteral("key");
    case CommandField::data:
        return QStringLiteral("data");
    }
    return {};
}

namespace {

struct NamedField {
    CommandField field;
    const QString* text;
};

std::array<NamedField, 3> named_fields(const CommandFields& fields)
{
    return { NamedField { CommandField::address, &fields.address },
        NamedField { CommandField::key, &fields.key },
        NamedField { CommandField::data, &fields.data } };
}

QByteArray& bytes_of(EncodedFields& encoded, CommandField field)
{
    switch (field) {
    case CommandField::address:
        return encoded.address;
    case CommandField::key:
        return encoded.key;
    case CommandField::data:
        return encoded.data;
    }
    return encoded.data;
}

} // namespace

std::optional<FieldRefusal> shape_refusal(const CommandFields& fields)
{
    for (const auto& [field, text] : named_fields(fields)) {
        for (const char32_t c : text->toUcs4()) {
            if (is_control_character(c))
                return FieldRefusal { field, FieldFault::control_character, c };
            if (c == u';' && field != CommandField::data)
                return FieldRefusal { field, FieldFault::separator, c };
        }
    }
    return std::nullopt;
}

std::variant<EncodedFields, FieldRefusal> encode_fields(
    const CommandFields& fields, TextEncoding encoding)
{
    if (const auto refused = shape_refusal(fields))
        return *refused;
    EncodedFields encoded;
    for (const auto& [field, text] : named_fields(fields)) {
        auto field_bytes = encode_card_text(*text, encoding);
        if (!field_bytes)
            return FieldRefusal { field, FieldFault::unrepresentable,
                first_unrepresentable(*text, encoding).value_or(0) };
        bytes_of(encoded, field) = std::move(*field_bytes);
    }
    if (encoded.data.size() > block_bytes)
        return FieldRefusal { CommandField::data, FieldFault::too_many_bytes, 0,
            encoded.data.size() };
    return encoded;
}

std::array<QByteArray, 3> frame_writes(CardCommand command, const EncodedFields& fields)
{
    return { QByteArray(1, stx), command_body(command, fields), QByteArray(1, etx) };
}

QByteArray command_body(CardCommand command, const EncodedFields& fields)
{
    QByteArray body = command_letter(command) + fields.address + ';' + fields.key;
    if (command != CardCommand::read)
        body += ';' + fields.data;
    return body;
}

namespace {

QString field_echo(const QByteArray& bytes, TextEncoding encoding)
{
    const QString text = decode_card_text(bytes, encoding).value_or(QString());
    if (std::ranges::all_of(bytes, [](char byte) { return quint8(byte) < 0x80; }))
        return text;
    return text + QStringLiteral(" (") + QString::fromLatin1(bytes.toHex(' ').toUpper()) + u')';
}

} // namespace

QString echo_text(CardCommand command, const EncodedFields& fields, TextEncoding encoding)
{
    const QString address = field_echo(fields.address, encoding);
    const QString key = field_echo(fields.key, encoding);
    const QString data = field_echo(fields.data, encoding);
    // The frame reads the same in every language; the sentence after it is the operator's.
    const auto sentence = [](const char* text) {
        return QStringLiteral(" [ETX] ") + QCoreApplication::translate("CommandFrame", text);
    };
    switch (command) {
    case CardCommand::read:
        return QStringLiteral("[STX] R ") + address + u';' + key
            + sentence(QT_TRANSLATE_NOOP("CommandFrame", "카드 읽기 입니다."));
    case CardCommand::new_issue:
        return QStringLiteral("[STX] N ") + address + QStringLiteral(" ; ") + key
            + QStringLiteral(" ; ") + data
            + sentence(QT_TRANSLATE_NOOP("CommandFrame", "신규 카드 발행 입니다."));
    case CardCommand::modify_issue:
        return QStringLiteral("[STX] W ") + address + QStringLiteral(" ; ") + key
            + QStringLiteral(" ; ") + data
            + sentence(QT_TRANSLATE_NOOP("CommandFrame", "수정 카드 발행 입니다."));
    }
    return {};
}

ProgressState initial_state(CardCommand command)
{
    switch (command) {
    case CardCommand::read:
        return ProgressState::read;
    case CardCommand::new_issue:
        return ProgressState::new_issue;
    case CardCommand::modify_issue:
        return ProgressState::edit;
    }
    return ProgressState::idle;
}

QString test_pattern(int index)
{
    switch (index) {
    case 1:
        return QStringLiteral("0000000000000000");
    case 2:
        return QStringLiteral("5555555555555555");
    default:
        return QStringLiteral("1234567890123456");
    }
}

int next_test_pattern_index(int index)
{
    // Any index the cycle never produces falls back to its start.
    return index >= 0 && index < 2 ? index + 1 : 0;
}
