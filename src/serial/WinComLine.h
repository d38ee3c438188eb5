#pragma once

#include "LineSettings.h"

#include <QByteArray>
#include <QObject>
#include <QWinEventNotifier>
#include <utility>
#include <windows.h>

// An open COM port's handle and its overlapped operations, each completing through Qt's event
// loop: a ReadFile always waiting for arriving bytes, and a WriteFile of what was given to write.
// Every failure of them while open is told by failed(), once, a turn later.
//
// Bytes are not awaited with WaitCommEvent(EV_RXCHAR): Wine's wait asks the device for its modem
// lines, which a pseudo-terminal has not, and ends at once as aborted. A read with only an interval
// time-out waits for the first byte however long it takes and ends once the line falls quiet,
// documented Win32 behaviour that Wine keeps too.
class WinComLine final : public QObject {
    Q_OBJECT

public:
    explicit WinComLine(QObject* parent = nullptr);
    ~WinComLine() override;
    WinComLine(const WinComLine&) = delete;
    WinComLine& operator=(const WinComLine&) = delete;

    // A system's port name ("COM3", "com12") opens \\.\COM3; any other device is a path opened as
    // given. Opens it for this program alone, as Windows opens a COM port; 0 or the Win32 error.
    unsigned long open(const QString& device);
    // Gives up what waits to be written and closes; nothing on a closed line.
    void close();
    bool is_open() const;
    // Whether device is there to be opened, without opening it.
    static bool exists(const QString& device);

    // Puts the settings, no flow control, and DTR and RTS on the line; 0 or the Win32 error.
    unsigned long configure(const LineSettings& settings, bool dtr, bool rts);
    // DTR and RTS alone; a line without modem-control lines works without them.
    void set_modem_lines(bool dtr, bool rts);

    // Queues bytes behind those being written; 0, or the Win32 error when the line refuses them.
    unsigned long write(const QByteArray& bytes);
    // Bytes given to write that the device has not taken.
    qsizetype unsent() const { return flight_.size() + queued_.size(); }
    // Lets the write in progress go out for up to what its bytes need at baud bits a second (the
    // device takes them at that pace), then gives up every byte not taken: how many.
    qsizetype drop_unsent(int baud = 0);

signals:
    void received(const QByteArray& bytes);
    // Bytes the device took, in order.
    void written(const QByteArray& bytes);
    void failed(unsigned long error);

private:
    struct Operation {
        OVERLAPPED overlapped {};
        bool busy = false;
    };

    // Starts the read for arriving bytes when none is running.
    void start_read();
    unsigned long start_write();
    void on_read();
    void on_wrote();
    // The result of op once it is complete; nothing while it runs.
    std::pair<bool, unsigned long> finished(Operation& op, unsigned long& count);
    // Takes op's completed result, waiting for it: after a cancel, before its buffer goes.
    unsigned long settle(Operation& op);
    void fail(unsigned long error);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    Operation read_, write_;
    QWinEventNotifier read_done_, write_done_;
    QByteArray read_buffer_;
    // The bytes WriteFile has (unchanged until it ends), and those behind them.
    QByteArray flight_, queued_;
    bool failed_ = false;
    // Which opening a failure belongs to, when it is told a turn later.
    int session_ = 0;
};
