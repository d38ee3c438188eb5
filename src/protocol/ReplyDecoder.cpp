#include "ReplyDecoder.h"

#include <QStringView>
#include <array>

namespace {

struct Transition {
    char byte;
    QStringView before;
    QStringView message;
    QStringView after;
};

// Rows in the order a byte tests them: a CR tries the read chain, then modify, then new issue,
// and within a chain its ACK, NAK, CAN and CR values. The first matching row is the only step.
constexpr std::array<Transition, 21> transitions { {
    { ack, u"read", u"", u"read_ack" },
    { ack, u"edit", u"", u"edit_ack" },
    { ack, u"new", u"", u"new_ack" },
    { nak, u"read", u"", u"read_nak" },
    { nak, u"edit", u"", u"edit_nak" },
    { nak, u"new", u"", u"new_nak" },
    { can, u"read_ack_cr", u"", u"read_ack_can" },
    { can, u"edit_ack_cr", u"", u"edit_ack_can" },
    { can, u"new_ack_cr", u"", u"new_ack_can" },
    { cr, u"read_ack", u"읽기 명령 전송 완료 -> 카드를 대어 주세요", u"read_ack_cr" },
    { cr, u"read_nak", u"읽기 명령 에러", u"" },
    { cr, u"read_ack_can", u"읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)", u"" },
    { cr, u"read_ack_cr", u"카드 읽기 완료", u"" },
    { cr, u"edit_ack", u"수정 명령 전송 완료 -> 카드를 대어 주세요", u"edit_ack_cr" },
    { cr, u"edit_nak", u"수정 명령 에러", u"" },
    { cr, u"edit_ack_can", u"수정 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)", u"" },
    { cr, u"edit_ack_cr", u"카드 수정 완료", u"" },
    { cr, u"new_ack", u"발행 명령 전송 완료 -> 카드를 대어 주세요", u"new_ack_cr" },
    { cr, u"new_nak", u"발행 명령 에러", u"" },
    { cr, u"new_ack_can", u"발행 에러", u"" },
    { cr, u"new_ack_cr", u"카드 발행 완료", u"" },
} };

constexpr std::array<QStringView, 16> progress_states {
    u"",
    u"read",
    u"read_ack",
    u"read_nak",
    u"read_ack_cr",
    u"read_ack_can",
    u"edit",
    u"edit_ack",
    u"edit_nak",
    u"edit_ack_cr",
    u"edit_ack_can",
    u"new",
    u"new_ack",
    u"new_nak",
    u"new_ack_cr",
    u"new_ack_can",
};

} // namespace

std::optional<ProgressStep> progress_step(char byte, const QString& state)
{
    for (const Transition& row : transitions) {
        if (row.byte == byte && row.before == state)
            return ProgressStep { row.after.toString(), row.message.toString() };
    }
    return std::nullopt;
}

bool is_progress_state(const QString& state)
{
    for (const QStringView value : progress_states) {
        if (value == state)
            return true;
    }
    return false;
}
