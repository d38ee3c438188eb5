#include "FontsAhead.h"

// Without fontconfig there is nothing to load ahead.
FontsAhead::FontsAhead(const std::function<void()>& on_helper)
{
    (void)on_helper;
}

void FontsAhead::wait()
{
}
