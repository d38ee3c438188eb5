#pragma once

#include <QString>

// What the C library of the platform tells of an error code beyond the codes every platform has.

// The text of a code only this platform has, for QCoreApplication::translate in the context
// "SystemReason"; nullptr for any other code.
const char* platform_reason(int error);
// The code's symbolic name ("EKEYREVOKED"); empty where the C library names none.
QString error_name(int error);
