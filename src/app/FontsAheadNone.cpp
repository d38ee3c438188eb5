#include "FontsAhead.h"

// Without fontconfig there is nothing to load ahead.
FontsAhead::FontsAhead() = default;

void FontsAhead::wait()
{
}
