#pragma once

#include <QString>

// The operating system's reason for a failure, from its error code (an errno value), in the
// operator's language. The C library's own text (strerror, and QSerialPort's errorString made from
// it) follows the process's locale rather than the language the operator chose, so the reasons a
// port or a file meets are texts of our own, translated as every other.
QString system_reason(int error);
