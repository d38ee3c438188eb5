#include "StandardStreams.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

void open_standard_descriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free descriptor is this one, since those below it are open by now.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd)
            ::_exit(1);
    }
}

bool print_to(std::FILE* stream, const char* text)
{
    const bool written = std::fputs(text, stream) >= 0;
    return std::fflush(stream) == 0 && written && !std::ferror(stream);
}

bool print_out(const char* text)
{
    return print_to(stdout, text);
}

int print_last(const char* text)
{
    return print_out(text) ? 0 : output_failed_status;
}
