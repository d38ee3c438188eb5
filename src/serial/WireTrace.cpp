#include "WireTrace.h"

#include "ByteDisplay.h"
#include "SystemReason.h"
#include "TraceFile.h"

#include <QDateTime>
#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The reason on standard error, which is English whatever the system's locale.
QString terminal_reason(int error)
{
    // ENXIO is all open() says of a FIFO with no reader.
    if (error == ENXIO)
        return QStringLiteral("no process reads it");
    return c_locale_reason(error);
}

} // namespace

WireTrace::~WireTrace()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool WireTrace::open(const QByteArray& path, qint64 max_size)
{
    path_ = path;
    max_size_ = max_size;
    return open_file();
}

bool WireTrace::open_file()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = open_trace_file(path_);
    struct stat status { };
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        error_ = errno;
        reason_ = terminal_reason(error_);
        return false;
    }
    regular_ = S_ISREG(status.st_mode);
    size_ = status.st_size;
    return true;
}

QString WireTrace::failure_label(int error)
{
    return tr("트레이스 파일에 쓸 수 없습니다 (%1) — 빠진 줄 수는 다시 쓸 수 있을 때 기록됩니다")
        .arg(system_reason(error));
}

void WireTrace::opened(const QString& device)
{
    write_entry("open ", device);
}

void WireTrace::closed(const QString& device)
{
    write_entry("close", device);
}

void WireTrace::lost(const QString& device)
{
    write_entry("lost ", device);
}

void WireTrace::written(QByteArrayView bytes)
{
    write_bytes("sent ", bytes);
}

void WireTrace::received(QByteArrayView bytes)
{
    write_bytes("recv ", bytes);
}

void WireTrace::cut(qint64 sent, qint64 unsent)
{
    write_entry("cut  ", QStringLiteral("%1 bytes went out, %2 did not").arg(sent).arg(unsent));
}

void WireTrace::status(const QString& text)
{
    write_entry("label", text);
}

void WireTrace::write_bytes(const char* what, QByteArrayView bytes)
{
    write_entry(what,
        QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper()) + QStringLiteral("  ")
            + display_text(bytes));
}

void WireTrace::write_entry(const char* what, const QString& text)
{
    if (path_.isEmpty())
        return;
    const QString stamp
        = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    const QByteArray entry
        = (stamp + u' ' + QLatin1StringView(what) + u' ' + text + u'\n').toUtf8();
    if (!make_room(entry.size()))
        return fail(stamp);
    QByteArray notes;
    if (cut_entry_)
        notes += '\n';
    if (!begun_note_.isEmpty())
        notes += stamp.toUtf8() + " trace " + begun_note_ + '\n';
    if (lost_entries_ > 0)
        notes += (stamp
            + QStringLiteral(" trace %1 lines lost from %2 to %3: %4\n")
                  .arg(lost_entries_)
                  .arg(lost_from_, lost_to_, reason_))
                     .toUtf8();
    if (!write_all(notes + entry))
        return fail(stamp);
    begun_note_.clear();
    if (lost_entries_ > 0)
        emit resumed(std::exchange(lost_entries_, 0));
}

// Begins the file anew when it was removed or would grow past its bound; false when it cannot.
bool WireTrace::make_room(qint64 bytes)
{
    if (!regular_)
        return true;
    struct stat status { };
    const bool removed = fd_ < 0 || (::fstat(fd_, &status) == 0 && status.st_nlink == 0);
    const bool full = max_size_ > 0 && size_ > 0 && size_ + bytes > max_size_;
    if (!removed && !full)
        return true;
    const QByteArray kept = path_ + ".1";
    if (!removed && !replace_file(path_, kept)) {
        error_ = errno;
        reason_ = QStringLiteral("cannot keep the full trace as %1: %2")
                      .arg(QFile::decodeName(kept), terminal_reason(error_));
        return false;
    }
    if (!open_file())
        return false;
    if (begun_note_.isEmpty())
        begun_note_ = removed
            ? "the trace file was removed: it is begun anew"
            : "the trace file was full: it is begun anew, the lines before are in " + kept;
    cut_entry_ = false;
    return true;
}

bool WireTrace::write_all(const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t count = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            // A FIFO whose reader went away is EPIPE here, SIGPIPE being ignored.
            error_ = count < 0 ? errno : ENOSPC;
            reason_ = terminal_reason(error_);
            cut_entry_ = cut_entry_ || done > 0;
            return false;
        }
        done += count;
        size_ += count;
    }
    cut_entry_ = false;
    return true;
}

void WireTrace::fail(const QString& stamp)
{
    const QString time = stamp.section(u' ', 1);
    if (lost_entries_++ == 0) {
        lost_from_ = time;
        emit failed(reason_);
    }
    lost_to_ = time;
}
