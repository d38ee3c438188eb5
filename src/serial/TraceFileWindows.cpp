#include "TraceFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

std::wstring wide_path(const QByteArray& path)
{
    return QFile::decodeName(path).toStdWString();
}

} // namespace

int open_trace_file(const QByteArray& path)
{
    // Binary, so that an entry ends in the same one byte as on Linux; a Windows file has no
    // owner-only mode bits, and a handle not marked inheritable is not inherited.
    return ::_wopen(wide_path(path).c_str(),
        _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

bool replace_file(const QByteArray& from, const QByteArray& to)
{
    // The C runtime's rename refuses to replace a file; the kept trace of the last turn is one.
    if (MoveFileExW(wide_path(from).c_str(), wide_path(to).c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
}
