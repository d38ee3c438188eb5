#pragma once

#include "LineObserver.h"

#include <QFile>

// The wire trace of --trace FILE: every byte written to and received from the line, appended to a
// file one line per write or received batch, and a line for each open, close and loss of a port:
//
//   2008-02-15 10:30:00.123 open  /dev/ttyUSB0
//   2008-02-15 10:30:01.456 sent  02  [STX]
//   2008-02-15 10:30:01.456 sent  52 30 34 3B 37 33 30 39 31 34  R04;730914
//   2008-02-15 10:30:01.456 sent  03  [ETX]
//   2008-02-15 10:30:01.470 recv  06 0D  [ACK][CR]
//
// Each line goes to the file as it is made, so a trace survives the tool being killed.
class WireTrace final : public LineObserver {
public:
    // Opens path for appending; false, with reason() saying why, if it cannot.
    bool open(const QString& path);
    QString reason() const { return file_.errorString(); }

    void opened(const QString& device) override;
    void closed(const QString& device) override;
    void lost(const QString& device) override;
    void written(QByteArrayView bytes) override;
    void received(QByteArrayView bytes) override;

private:
    void write_line(const char* what, const QString& text);
    void write_bytes(const char* what, QByteArrayView bytes);

    QFile file_;
};
