#include "WindowProgram.h"

#include "StandardStreams.h"

#include <cstdio>
#include <windows.h>

namespace {

// Standard output's and error's handles lead somewhere: a console, a file, a pipe.
bool reaches[2] = { false, false };

bool has_handle(DWORD which)
{
    const HANDLE handle = ::GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

} // namespace

void use_parent_console()
{
    // A window program started with its output redirected ("> help.txt") keeps it.
    reaches[0] = has_handle(STD_OUTPUT_HANDLE);
    reaches[1] = has_handle(STD_ERROR_HANDLE);
    if ((reaches[0] && reaches[1]) || !::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    std::FILE* const streams[2] = { stdout, stderr };
    for (int i = 0; i < 2; ++i)
        reaches[i] = reaches[i] || std::freopen("CONOUT$", "w", streams[i]) != nullptr;
}

int tell_user(const QString& program, const QString& text, int status)
{
    const int stream = status == 0 ? 0 : 1;
    if (reaches[stream]) {
        if (print_to(stream == 0 ? stdout : stderr, text.toUtf8().constData()) || status != 0)
            return status;
        return output_failed_status;
    }
    ::MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.trimmed().utf16()),
        reinterpret_cast<const wchar_t*>(program.utf16()),
        MB_OK | (status == 0 ? MB_ICONINFORMATION : MB_ICONERROR));
    return status;
}

bool display_available()
{
    return true;
}

void share_one_heap() { }
