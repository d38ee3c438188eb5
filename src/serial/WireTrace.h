#pragma once

#include "LineObserver.h"

#include <QByteArray>
#include <QObject>

// The wire trace of --trace FILE: every byte written to and received from the line, appended to a
// file one line per write or received batch, and a line for each open, close and loss of a port:
//
//   2008-02-15 10:30:00.123 open  /dev/ttyUSB0
//   2008-02-15 10:30:01.456 sent  02  [STX]
//   2008-02-15 10:30:01.456 sent  52 30 34 3B 37 33 30 39 31 34  R04;730914
//   2008-02-15 10:30:01.456 sent  03  [ETX]
//   2008-02-15 10:30:01.470 recv  06 0D  [ACK][CR]
//   2008-02-15 10:30:31.470 cut   4097 bytes went out, 96016 did not
//   2008-02-15 10:30:40.002 label COM1 포트를 열 수 없습니다: /dev/ttyUSB0: 허가 거부 — …
//
// Each entry is one text line. "sent" entries show what the device took; a frame that the serial
// line does not drain is cut when the port closes or the command is given up, and the "cut" entry
// counts from the last time nothing waited. Each entry goes to the file as it is made, unbuffered,
// so a trace survives the tool being killed and an entry that cannot be written is known at once.
// Such entries are counted, failed() is raised for the first of them, and once writing works again
// a "trace" entry says how many were lost and when, so that a trace is never incomplete without
// saying so:
//
//   2008-02-15 10:31:02.000 trace 12 lines lost from 10:31:00.120 to 10:31:01.998: No space left
//
// A regular file that grows past its bound is kept as FILE.1 and begun anew, and one that was
// removed is made again; the new file's first entry says which. A FIFO is written without ever
// waiting for its reader: what it cannot take at once is lost and counted.
class WireTrace final : public QObject, public LineObserver {
    Q_OBJECT

public:
    WireTrace() = default;
    ~WireTrace() override;
    WireTrace(const WireTrace&) = delete;
    WireTrace& operator=(const WireTrace&) = delete;

    // Opens path for appending, max_size bytes at most (0: no bound); false, with reason() saying
    // why, if it cannot. A FIFO that nobody reads cannot be opened.
    bool open(const QByteArray& path, qint64 max_size = 0);
    QString reason() const { return reason_; }
    // The system's error code behind reason().
    int error() const { return error_; }

    // What the operator is told in Label when entries are being lost, with the system's reason in
    // the operator's language.
    static QString failure_label(int error);

    void opened(const QString& device) override;
    void closed(const QString& device) override;
    void lost(const QString& device) override;
    void written(QByteArrayView bytes) override;
    void received(QByteArrayView bytes) override;
    void cut(qint64 sent, qint64 unsent) override;
    // What the operator was told of the port in full, where the window may show it shortened.
    void status(const QString& text);

signals:
    // The first entry that could not be written since the trace last worked.
    void failed(const QString& reason);
    // Entries were written again, after lost_entries were lost and noted in the file.
    void resumed(qint64 lost_entries);

private:
    void write_entry(const char* what, const QString& text);
    void write_bytes(const char* what, QByteArrayView bytes);
    bool make_room(qint64 bytes);
    bool write_all(const QByteArray& bytes);
    bool open_file();
    // Counts the entry of that time stamp as lost, and tells of the first.
    void fail(const QString& stamp);

    int fd_ = -1;
    QByteArray path_;
    qint64 max_size_ = 0;
    bool regular_ = false; // a regular file, bounded and made again when removed
    qint64 size_ = 0;
    QString reason_;
    int error_ = 0;
    QByteArray begun_note_; // why the file was begun anew, until that is written in it
    qint64 lost_entries_ = 0;
    QString lost_from_, lost_to_;
    bool cut_entry_ = false; // a failed write left part of an entry in the file
};
