#pragma once

#include <array>

// What a received byte from 0x80 to 0xFF shows as in the receive log, one character each, never
// an invisible control (those become U+FFFD, so that the operator still sees that a byte arrived).
// On Windows each byte goes through the system's ANSI code page, as the receive log has always
// shown it there: Windows-1252 on most desks, while on a Korean desk (CP949) each of these bytes
// alone is half a character and shows as U+FFFD. Linux has no ANSI code page: it shows them as
// Windows-1252 does. Index 0 is the form of 0x80.
const std::array<char16_t, 128>& high_byte_forms();
