#pragma once

#include <QByteArray>

// The trace's file as the platform opens and renames it.

// Opens path for appending, creating it readable and writable by the user alone (every read and
// write frame holds Key A), without ever waiting for a FIFO's reader, and not inherited by
// programs started later; the descriptor, or -1 with errno set.
int open_trace_file(const QByteArray& path);
// Renames from to to, replacing a file there; false with errno set when it cannot.
bool replace_file(const QByteArray& from, const QByteArray& to);
