#pragma once

#include <QString>

// A status line built from its parts, so that where the whole does not fit its label, only the
// device's path is shortened, in its middle, and the reason and the fix stay in view.
struct StatusText {
    QString before; // "COM1 포트를 열 수 없습니다: "
    QString path; // the device as given, echoed; may be empty
    QString after; // ": 허가 거부 — 사용자를 …", a lock file and its process included

    QString whole() const { return before + path + after; }
};
