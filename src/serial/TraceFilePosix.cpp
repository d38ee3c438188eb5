#include "TraceFile.h"

#include <cstdio>
#include <fcntl.h>

int open_trace_file(const QByteArray& path)
{
    // Non-blocking: open() would wait for a FIFO's reader for ever, and a write for a slow one.
    return ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600);
}

bool replace_file(const QByteArray& from, const QByteArray& to)
{
    return std::rename(from.constData(), to.constData()) == 0;
}
