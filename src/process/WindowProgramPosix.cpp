#include "WindowProgram.h"

#include "StandardStreams.h"

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

void use_parent_console()
{
    // A program started from a terminal has it as its standard streams already.
}

int tell_user(const QString&, const QString& text, int status)
{
    if (status != 0) {
        std::fputs(text.toUtf8().constData(), stderr);
        return status;
    }
    return print_last(text.toUtf8().constData());
}

bool display_available()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void share_one_heap()
{
    mallopt(M_ARENA_MAX, 1);
}

void yield_to_main_thread()
{
    // Linux keeps a nice value per thread; ten steps lower, as far as the lowest.
    const pid_t thread = gettid();
    (void)setpriority(
        PRIO_PROCESS, id_t(thread), std::min(getpriority(PRIO_PROCESS, id_t(thread)) + 10, 19));
}
