#pragma once

#include "CommResult.h"
#include "StatusText.h"

#include <QCoreApplication>
#include <QString>

// The operator's messages that the window and novard-cli both give, in the same words (library
// novard_reader): each front end shows them its own way, in a box, a label or on standard error.
class ReaderMessages {
    Q_DECLARE_TR_FUNCTIONS(ReaderMessages)

public:
    static QString too_long_message(); // "16자를 초과 했습니다"
    static QString send_failed_message(); // a write the line refused
    // "COM1 연결이 끊어졌습니다 — 리더를 다시 연결하세요"; of a simulated reader, that it stopped.
    static QString lost_message(int port, bool simulated = false);
    // The device and the system's reason, with a hint where the reason alone leaves an operator
    // guessing what to do (the dialout group, another program holding the port).
    static QString operator_detail(const CommResult& result);
    // "COM1 포트를 열 수 없습니다: " and the detail above, whole and in its parts.
    static QString open_failure_message(int port, const CommResult& result);
    static StatusText open_failure_status(int port, const CommResult& result);

private:
    // The reason and its hint, which follow the device's path.
    static QString reason_and_hint(const CommResult& result);
};
