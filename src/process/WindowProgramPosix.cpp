#include "WindowProgram.h"

#include "StandardStreams.h"

#include <cstdio>
#include <malloc.h>

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
