#include "StartUp.h"

#include <QString>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

void ignore_broken_pipes()
{
    // Windows has no SIGPIPE: a write to a pipe whose reader went away fails, and nothing more.
}

QByteArrayList program_arguments(int, char**)
{
    // argv is the command line in the ANSI code page, which loses what it cannot represent.
    int count = 0;
    wchar_t** const wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    QByteArrayList arguments;
    for (int i = 0; wide != nullptr && i < count; ++i)
        arguments.append(QString::fromWCharArray(wide[i]).toUtf8());
    ::LocalFree(wide);
    return arguments;
}
