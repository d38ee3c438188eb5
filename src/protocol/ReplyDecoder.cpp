#include "ReplyDecoder.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <array>

namespace {

using enum ProgressState;

struct Transition {
    char byte;
    ProgressState before;
    const char* message;
    ProgressState after;
};

// Rows in the order a byte tests them: a CR tries the read chain, then modify, then new issue,
// and within a chain its ACK, NAK, CAN and CR values. The first matching row is the only step.
// The messages are the Korean texts; the operator reads them in the chosen language.
constexpr std::array<Transition, 21> transitions { {
    { ack, read, "", read_ack },
    { ack, edit, "", edit_ack },
    { ack, new_issue, "", new_ack },
    { nak, read, "", read_nak },
    { nak, edit, "", edit_nak },
    { nak, new_issue, "", new_nak },
    { can, read_ack_cr, "", read_ack_can },
    { can, edit_ack_cr, "", edit_ack_can },
    { can, new_ack_cr, "", new_ack_can },
    { cr, read_ack, QT_TRANSLATE_NOOP("ReplyDecoder", "읽기 명령 전송 완료 -> 카드를 대어 주세요"),
        read_ack_cr },
    { cr, read_nak, QT_TRANSLATE_NOOP("ReplyDecoder", "읽기 명령 에러"), idle },
    { cr, read_ack_can,
        QT_TRANSLATE_NOOP("ReplyDecoder", "읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)"),
        idle },
    { cr, read_ack_cr, QT_TRANSLATE_NOOP("ReplyDecoder", "카드 읽기 완료"), idle },
    { cr, edit_ack, QT_TRANSLATE_NOOP("ReplyDecoder", "수정 명령 전송 완료 -> 카드를 대어 주세요"),
        edit_ack_cr },
    { cr, edit_nak, QT_TRANSLATE_NOOP("ReplyDecoder", "수정 명령 에러"), idle },
    { cr, edit_ack_can,
        QT_TRANSLATE_NOOP("ReplyDecoder", "수정 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)"),
        idle },
    { cr, edit_ack_cr, QT_TRANSLATE_NOOP("ReplyDecoder", "카드 수정 완료"), idle },
    { cr, new_ack, QT_TRANSLATE_NOOP("ReplyDecoder", "발행 명령 전송 완료 -> 카드를 대어 주세요"),
        new_ack_cr },
    { cr, new_nak, QT_TRANSLATE_NOOP("ReplyDecoder", "발행 명령 에러"), idle },
    { cr, new_ack_can, QT_TRANSLATE_NOOP("ReplyDecoder", "발행 에러"), idle },
    { cr, new_ack_cr, QT_TRANSLATE_NOOP("ReplyDecoder", "카드 발행 완료"), idle },
} };

// The states run from idle to new_ack_can; the lookup below and progress_state go through them all.
constexpr std::size_t state_count = std::size_t(new_ack_can) + 1;

constexpr std::array<char, 4> control_bytes { ack, nak, can, cr };
constexpr int no_row = -1;

// Every byte of a batch looks the table up, so it is read once, at compile time, into the row
// each control byte takes in each state.
constexpr auto step_rows = [] {
    std::array<std::array<int, state_count>, control_bytes.size()> rows {};
    for (std::size_t control = 0; control < control_bytes.size(); ++control) {
        for (std::size_t state = 0; state < state_count; ++state) {
            rows[control][state] = no_row;
            for (std::size_t row = transitions.size(); row-- > 0;) {
                if (transitions[row].byte == control_bytes[control]
                    && std::size_t(transitions[row].before) == state)
                    rows[control][state] = int(row);
            }
        }
    }
    return rows;
}();

constexpr int control_index(char byte)
{
    switch (byte) {
    case ack:
        return 0;
    case nak:
        return 1;
    case can:
        return 2;
    case cr:
        return 3;
    default:
        return no_row;
    }
}

} // namespace

std::optional<ProgressStep> progress_step(char byte, ProgressState state)
{
    const int control = control_index(byte);
    if (control == no_row)
        return std::nullopt;
    const int row = step_rows[std::size_t(control)][std::size_t(state)];
    if (row == no_row)
        return std::nullopt;
    return ProgressStep { transitions[std::size_t(row)].after,
        transitions[std::size_t(row)].message };
}

QString state_text(ProgressState state)
{
    // Literals: every reader of cmd_state shares their static text, so reading it allocates
    // nothing.
    using enum ProgressState; // over unistd's read()
    switch (state) {
    case idle:
        return QString();
    case read:
        return QStringLiteral("read");
    case read_ack:
        return QStringLiteral("read_ack");
    case read_nak:
        return QStringLiteral("read_nak");
    case read_ack_cr:
        return QStringLiteral("read_ack_cr");
    case read_ack_can:
        return QStringLiteral("read_ack_can");
    case edit:
        return QStringLiteral("edit");
    case edit_ack:
        return QStringLiteral("edit_ack");
    case edit_nak:
        return QStringLiteral("edit_nak");
    case edit_ack_cr:
        return QStringLiteral("edit_ack_cr");
    case edit_ack_can:
        return QStringLiteral("edit_ack_can");
    case new_issue:
        return QStringLiteral("new");
    case new_ack:
        return QStringLiteral("new_ack");
    case new_nak:
        return QStringLiteral("new_nak");
    case new_ack_cr:
        return QStringLiteral("new_ack_cr");
    case new_ack_can:
        return QStringLiteral("new_ack_can");
    }
    return QString();
}

std::optional<ProgressState> progress_state(QStringView text)
{
    for (std::size_t i = 0; i < state_count; ++i) {
        if (state_text(ProgressState(i)) == text)
            return ProgressState(i);
    }
    return std::nullopt;
}

QString step_message(const ProgressStep& step)
{
    return *step.message ? QCoreApplication::translate("ReplyDecoder", step.message) : QString();
}
