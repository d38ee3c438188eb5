#include "StandardStreams.h"

#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

UINT inherited_code_page = 0;

void give_back_code_page()
{
    ::SetConsoleOutputCP(inherited_code_page);
}

// The programs write UTF-8, as on Linux: a console shows it as such while they run, and gets its
// own code page back when they end.
void write_console_in_utf8()
{
    DWORD mode = 0;
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE), error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (!::GetConsoleMode(out, &mode) && !::GetConsoleMode(error, &mode))
        return;
    inherited_code_page = ::GetConsoleOutputCP();
    if (inherited_code_page != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8))
        std::atexit(give_back_code_page);
}

} // namespace

void open_standard_descriptors()
{
    write_console_in_utf8();
    for (int fd = 0; fd <= 2; ++fd) {
        // -2: the C library's descriptor has no handle, as in a window program with no console.
        const intptr_t handle = ::_get_osfhandle(fd);
        if (handle != -1 && handle != -2)
            continue;
        const int opened = ::_open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
        if (opened < 0 || (opened != fd && ::_dup2(opened, fd) != 0))
            ::_exit(1);
        if (opened != fd)
            ::_close(opened);
    }
}

bool standard_output_gone()
{
    const HANDLE out = reinterpret_cast<HANDLE>(::_get_osfhandle(1));
    if (out == INVALID_HANDLE_VALUE || ::GetFileType(out) != FILE_TYPE_PIPE)
        return false;
    // A write of nothing to a pipe whose reading end is closed fails, and writes nothing to one
    // still read.
    DWORD written = 0;
    if (::WriteFile(out, "", 0, &written, nullptr))
        return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA
        || error == ERROR_PIPE_NOT_CONNECTED;
}
