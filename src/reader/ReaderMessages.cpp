#include "ReaderMessages.h"

#include "ByteDisplay.h"
#include "SerialControl.h"

QString ReaderMessages::too_long_message()
{
    return tr("16자를 초과 했습니다");
}

QString ReaderMessages::send_failed_message()
{
    return tr("통신포트로 명령을 보내지 못했습니다. 통신포트를 확인하십시오.");
}

QString ReaderMessages::lost_message(int port, bool simulated)
{
    return simulated ? tr("%1 연결이 끊어졌습니다 — 시뮬레이션 리더가 종료되었습니다")
                           .arg(SerialControl::port_name(port))
                     : tr("%1 연결이 끊어졌습니다 — 리더를 다시 연결하십시오")
                           .arg(SerialControl::port_name(port));
}

QString ReaderMessages::reason_and_hint(const CommResult& result)
{
    switch (result.kind()) {
    case CommResult::Kind::permission:
        return result.reason() + tr(" — 사용자를 dialout 그룹에 추가한 뒤 다시 로그인하십시오");
    case CommResult::Kind::busy:
        return result.reason() + tr(" — 다른 프로그램이 이 포트를 사용하고 있습니다");
    case CommResult::Kind::other_device:
        return result.reason() + tr(" — 리더가 아닌 다른 장치가 연결되어 있습니다");
    default:
        return result.reason();
    }
}

QString ReaderMessages::operator_detail(const CommResult& result)
{
    // The device's path may be the user's (--device, --map): echoed, never raw.
    return result.device().isEmpty()
        ? reason_and_hint(result)
        : echo_form(result.device()) + QStringLiteral(": ") + reason_and_hint(result);
}

QString ReaderMessages::open_failure_message(int port, const CommResult& result)
{
    return open_failure_status(port, result).whole();
}

StatusText ReaderMessages::open_failure_status(int port, const CommResult& result)
{
    // Where the path stands is the translation's choice: a mark that no text holds finds it.
    const QChar mark(0xFFFF);
    const QString path = result.device().isEmpty() ? QString() : echo_form(result.device());
    const QString text = tr("%1 포트를 열 수 없습니다: %2")
                             .arg(SerialControl::port_name(port),
                                 mark + (path.isEmpty() ? QString() : QStringLiteral(": "))
                                     + reason_and_hint(result));
    const qsizetype at = text.indexOf(mark);
    return { text.left(at), path, text.mid(at + 1) };
}
