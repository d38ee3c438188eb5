#pragma once

#include "StatusText.h"

class QFontMetrics;
class QLabel;

// A status as wide as width at most in metrics' font: whole where it fits, else with only the
// device's path shortened in its middle ("/dev/serial/by-id/usb-FTDI…port0"), so that the port,
// the reason and the fix stay in view. A status without a path is left whole.
QString fitted_text(const StatusText& status, const QFontMetrics& metrics, int width);

// Shows status in label, fitted to its width; a status with a path gives the label its whole text
// as tooltip, and any other status none.
void show_fitted(QLabel& label, const StatusText& status);
