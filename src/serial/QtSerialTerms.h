#pragma once

#include "LineSettings.h"

#include <QSerialPort>

// The line's terms in QSerialPort's words, and back, and what QSerialPort does not offer.

QSerialPort::Parity to_qt(LineSettings::Parity parity);
QSerialPort::StopBits to_qt(LineSettings::StopBits stop_bits);

// QSerialPort tells its kind of failure, not the system's error code; the code each kind stands
// for, so that the reason is told in the operator's language.
int system_error(QSerialPort::SerialPortError error);

// Empties QSerialPort's own output buffer and leaves what the driver holds alone.
void clear_own_output(QSerialPort& port);
