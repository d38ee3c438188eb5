#include "FontsAhead.h"

#include <fontconfig/fontconfig.h>

// Qt's font database starts from fontconfig's current configuration, which FcInit loads once per
// process (its files and font caches): the larger part of the window's first text. Fontconfig
// may be called from any thread, and the result is shared by all.
FontsAhead::FontsAhead()
    : helper_([] { FcInit(); })
{
}

void FontsAhead::wait()
{
    if (helper_.joinable())
        helper_.join();
}
