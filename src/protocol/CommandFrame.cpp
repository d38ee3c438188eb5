#include "CommandFrame.h"

#include <QCoreApplication>

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

QChar command_letter(CardCommand command)
{
    switch (command) {
    case CardCommand::read:
        return u'R';
    case CardCommand::new_issue:
        return u'N';
    case CardCommand::modify_issue:
        return u'W';
    }
    return u'R';
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

std::array<QString, 3> frame_writes(CardCommand command, const CommandFields& fields)
{
    return { QString(stx), command_body(command, fields), QString(etx) };
}

QString command_body(CardCommand command, const CommandFields& fields)
{
    QString body = command_letter(command) + fields.address + u';' + fields.key;
    if (command != CardCommand::read)
        body += u';' + fields.data;
    return body;
}

QString echo_text(CardCommand command, const CommandFields& fields)
{
    // The frame reads the same in every language; the sentence after it is the operator's.
    const auto sentence = [](const char* text) {
        return QStringLiteral(" [ETX] ") + QCoreApplication::translate("CommandFrame", text);
    };
    switch (command) {
    case CardCommand::read:
        return QStringLiteral("[STX] R ") + fields.address + u';' + fields.key
            + sentence(QT_TRANSLATE_NOOP("CommandFrame", "카드 읽기 입니다."));
    case CardCommand::new_issue:
        return QStringLiteral("[STX] N ") + fields.address + QStringLiteral(" ; ") + fields.key
            + QStringLiteral(" ; ") + fields.data
            + sentence(QT_TRANSLATE_NOOP("CommandFrame", "신규 카드 발행 입니다."));
    case CardCommand::modify_issue:
        return QStringLiteral("[STX] W ") + fields.address + QStringLiteral(" ; ") + fields.key
            + QStringLiteral(" ; ") + fields.data
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
