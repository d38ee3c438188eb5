#pragma once

#include "CommResult.h"

#include <QString>

// The Windows side's errors in the contract's terms.

// Windows' own text for a Win32 error code, in the operator's language where Windows has that
// language's texts, else in Windows' own.
QString windows_reason(unsigned long error);
// The kind of failure a Win32 error code stands for when a port is opened: Windows opens a COM
// port for one program at a time and refuses any other with ERROR_ACCESS_DENIED.
CommResult::Kind open_failure_kind(unsigned long error);
