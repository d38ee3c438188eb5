#pragma once

#include "LineSettings.h"

#include <QSerialPort>

// The line's terms in QSerialPort's words, and back.

QSerialPort::Parity to_qt(LineSettings::Parity parity);
QSerialPort::StopBits to_qt(LineSettings::StopBits stop_bits);

// QSerialPort tells its kind of failure, not the system's error code; the code each kind stands
// for, so that the reason is told in the operator's language.
int system_error(QSerialPort::SerialPortError error);
