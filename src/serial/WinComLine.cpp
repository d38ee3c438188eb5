#include "WinComLine.h"

#include <QDir>
#include <QMetaObject>
#include <QRegularExpression>

namespace {

// The driver's queues, and the most one read takes; the reader's frames are far smaller.
constexpr DWORD queue_bytes = 4096;
// A read ends once no byte has come for this long: a few byte times at 9600 baud (1.04 ms a byte).
// At a slower baud a read may end after each byte, which only makes more, smaller reads.
constexpr DWORD quiet_ms = 5;

bool is_port_name(const QString& device)
{
    static const QRegularExpression name(
        QStringLiteral("^COM[1-9][0-9]*$"), QRegularExpression::CaseInsensitiveOption);
    return name.match(device).hasMatch();
}

std::wstring system_path(const QString& device)
{
    const QString path = is_port_name(device) ? QStringLiteral("\\\\.\\") + device
                                              : QDir::toNativeSeparators(device);
    return path.toStdWString();
}

BYTE to_windows(LineSettings::Parity parity)
{
    switch (parity) {
    case LineSettings::Parity::none:
        return NOPARITY;
    case LineSettings::Parity::even:
        return EVENPARITY;
    case LineSettings::Parity::odd:
        return ODDPARITY;
    case LineSettings::Parity::mark:
        return MARKPARITY;
    case LineSettings::Parity::space:
        return SPACEPARITY;
    }
    return NOPARITY;
}

BYTE to_windows(LineSettings::StopBits stop_bits)
{
    switch (stop_bits) {
    case LineSettings::StopBits::one:
        return ONESTOPBIT;
    case LineSettings::StopBits::one_and_half:
        return ONE5STOPBITS;
    case LineSettings::StopBits::two:
        return TWOSTOPBITS;
    }
    return ONESTOPBIT;
}

HANDLE new_event()
{
    // Manual reset: an operation's completion stays seen until the next one begins.
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

} // namespace

WinComLine::WinComLine(QObject* parent)
    : QObject(parent)
{
    for (Operation* op : { &read_, &write_ })
        op->overlapped.hEvent = new_event();
    read_done_.setHandle(read_.overlapped.hEvent);
    write_done_.setHandle(write_.overlapped.hEvent);
    connect(&read_done_, &QWinEventNotifier::activated, this, &WinComLine::on_read);
    connect(&write_done_, &QWinEventNotifier::activated, this, &WinComLine::on_wrote);
    for (QWinEventNotifier* done : { &read_done_, &write_done_ })
        done->setEnabled(true);
}

WinComLine::~WinComLine()
{
    close();
    for (QWinEventNotifier* done : { &read_done_, &write_done_ })
        done->setEnabled(false);
    for (Operation* op : { &read_, &write_ })
        CloseHandle(op->overlapped.hEvent);
}

bool WinComLine::is_open() const
{
    return handle_ != INVALID_HANDLE_VALUE;
}

bool WinComLine::exists(const QString& device)
{
    if (is_port_name(device)) {
        wchar_t target[MAX_PATH];
        return QueryDosDeviceW(device.toStdWString().c_str(), target, MAX_PATH) != 0;
    }
    return GetFileAttributesW(system_path(device).c_str()) != INVALID_FILE_ATTRIBUTES;
}

unsigned long WinComLine::open(const QString& device)
{
    close();
    handle_ = CreateFileW(system_path(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE)
        return GetLastError();
    // With no total time-outs a read waits for its first byte as long as it takes, then ends when
    // the line is quiet for quiet_ms or the buffer is full; a write waits as long as the line
    // needs.
    COMMTIMEOUTS timeouts {};
    timeouts.ReadIntervalTimeout = quiet_ms;
    if (!SetupComm(handle_, queue_bytes, queue_bytes) || !SetCommTimeouts(handle_, &timeouts)) {
        const DWORD error = GetLastError();
        close();
        return error;
    }
    failed_ = false;
    ++session_;
    start_read();
    return 0;
}

void WinComLine::close()
{
    if (!is_open())
        return;
    (void)drop_unsent();
    CancelIoEx(handle_, &read_.overlapped);
    (void)settle(read_);
    CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
}

unsigned long WinComLine::configure(const LineSettings& settings, bool dtr, bool rts)
{
    DCB dcb {};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb))
        return GetLastError();
    dcb.BaudRate = DWORD(settings.baud);
    dcb.ByteSize = BYTE(settings.data_bits);
    dcb.Parity = to_windows(settings.parity);
    dcb.StopBits = to_windows(settings.stop_bits);
    dcb.fBinary = TRUE;
    dcb.fParity = settings.parity != LineSettings::Parity::none;
    // No flow control of any kind, and no byte replaced or dropped; an error aborts nothing.
    dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = dcb.fInX = dcb.fErrorChar = dcb.fNull = dcb.fAbortOnError = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fDtrControl = dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    return SetCommState(handle_, &dcb) ? 0 : GetLastError();
}

void WinComLine::set_modem_lines(bool dtr, bool rts)
{
    (void)EscapeCommFunction(handle_, dtr ? SETDTR : CLRDTR);
    (void)EscapeCommFunction(handle_, rts ? SETRTS : CLRRTS);
}

void WinComLine::start_read()
{
    if (!is_open() || failed_ || read_.busy)
        return;
    read_buffer_.resize(qsizetype(queue_bytes));
    ResetEvent(read_.overlapped.hEvent);
    // Done at once or later, it is taken when its event is seen.
    if (!ReadFile(handle_, read_buffer_.data(), queue_bytes, nullptr, &read_.overlapped)
        && GetLastError() != ERROR_IO_PENDING)
        return fail(GetLastError());
    read_.busy = true;
}

std::pair<bool, unsigned long> WinComLine::finished(Operation& op, unsigned long& count)
{
    DWORD done = 0;
    if (!op.busy) {
        // A completion already taken (by a close) leaves its event set for nothing.
        ResetEvent(op.overlapped.hEvent);
        return { false, 0 };
    }
    if (!GetOverlappedResult(handle_, &op.overlapped, &done, FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE)
            return { false, 0 };
        op.busy = false;
        ResetEvent(op.overlapped.hEvent);
        return { true, error };
    }
    op.busy = false;
    ResetEvent(op.overlapped.hEvent);
    count = done;
    return { true, 0 };
}

void WinComLine::on_read()
{
    unsigned long count = 0;
    const auto [done, error] = finished(read_, count);
    if (!done)
        return;
    if (error)
        return fail(error);
    if (count > 0)
        emit received(read_buffer_.first(qsizetype(count)));
    // The receiver may have closed the line, or closed and opened it again.
    start_read();
}

unsigned long WinComLine::write(const QByteArray& bytes)
{
    if (failed_)
        return ERROR_OPERATION_ABORTED;
    queued_ += bytes;
    return write_.busy ? 0 : start_write();
}

unsigned long WinComLine::start_write()
{
    if (queued_.isEmpty() || !is_open() || failed_)
        return 0;
    // What WriteFile reads from stays as it is until the write ends.
    flight_ = std::exchange(queued_, QByteArray());
    ResetEvent(write_.overlapped.hEvent);
    if (!WriteFile(handle_, flight_.constData(), DWORD(flight_.size()), nullptr, &write_.overlapped)
        && GetLastError() != ERROR_IO_PENDING) {
        const DWORD error = GetLastError();
        queued_.prepend(std::exchange(flight_, QByteArray()));
        fail(error);
        return error;
    }
    write_.busy = true;
    return 0;
}

void WinComLine::on_wrote()
{
    unsigned long count = 0;
    const auto [done, error] = finished(write_, count);
    if (!done)
        return;
    const QByteArray taken = flight_.first(qsizetype(count));
    // A write cut short hands its rest to the next, ahead of what came since.
    queued_.prepend(flight_.sliced(qsizetype(count)));
    flight_.clear();
    if (!taken.isEmpty())
        emit written(taken);
    if (error)
        return fail(error);
    (void)start_write();
}

qsizetype WinComLine::drop_unsent(int baud)
{
    if (write_.busy && baud > 0) {
        // Ten bits a byte with start and stop bits, and a tenth of a second for the driver.
        const qint64 need_ms = flight_.size() * 10 * 1000 / baud + 100;
        (void)WaitForSingleObject(write_.overlapped.hEvent, DWORD(need_ms));
    }
    if (write_.busy) {
        CancelIoEx(handle_, &write_.overlapped);
        const DWORD taken = settle(write_);
        if (taken > 0)
            emit written(flight_.first(qsizetype(taken)));
        queued_.prepend(flight_.sliced(qsizetype(taken)));
        flight_.clear();
    }
    return std::exchange(queued_, QByteArray()).size();
}

unsigned long WinComLine::settle(Operation& op)
{
    if (!op.busy)
        return 0;
    DWORD done = 0;
    (void)GetOverlappedResult(handle_, &op.overlapped, &done, TRUE);
    op.busy = false;
    ResetEvent(op.overlapped.hEvent);
    return done;
}

void WinComLine::fail(unsigned long error)
{
    if (std::exchange(failed_, true))
        return;
    // Told a turn later: the failure may come inside a caller's own call (a write).
    QMetaObject::invokeMethod(
        this,
        [this, error, session = session_] {
            if (session == session_ && is_open())
                emit failed(error);
        },
        Qt::QueuedConnection);
}
