#include "StandardStreams.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
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

bool standard_output_gone()
{
    pollfd out { STDOUT_FILENO, POLLOUT, 0 };
    return ::poll(&out, 1, 0) == 1 && (out.revents & POLLERR) != 0;
}
