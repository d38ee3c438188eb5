#include "StandardStreams.h"

#include <cstdio>

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
