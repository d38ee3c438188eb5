#pragma once

#include <QString>

// The operating system's reason for a failure, from its error code (an errno value), in the
// operator's language. The C library's own text (strerror, and QSerialPort's errorString made from
// it) follows the process's locale rather than the language the operator chose, so the reasons a
// port or a file meets are texts of our own, translated as every other.
QString system_reason(int error);
// The C library's English text for an error code, for the messages that are English whatever the
// operator's language (standard error's notes of the trace and of the simulated reader, as --help
// and the option errors are), so that no message is half in one language and half in another.
QString c_locale_reason(int error);
