#include "StartUp.h"

#include <csignal>

void ignore_broken_pipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

QByteArrayList program_arguments(int argc, char** argv)
{
    QByteArrayList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(argv[i]);
    return arguments;
}
