#pragma once

#include <QByteArrayView>
#include <QString>

// How a received byte is shown in the receive log: 0x00-0x1F and 0x7F by their ASCII names in
// brackets ("[ACK]", "[CR]", "[DEL]"), 0x20-0x7E as themselves, and 0x80-0xFF as one visible
// character each from Windows-1252, its five unassigned bytes as U+FFFD.
QString display_form(quint8 byte);
QString display_text(QByteArrayView bytes);
