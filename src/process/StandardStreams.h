#pragma once

#include <cstdio>

// Standard input, output and error as all three programs keep them.

// The status of a program whose standard output could not be written (a full disk, a closed
// pipe): what it was asked to print did not arrive, so it does not end as a success.
inline constexpr int output_failed_status = 7;

// Opens the null device (/dev/null, Windows' NUL) on each of descriptors 0, 1 and 2 that is
// closed. Run first in main: a program started with them closed (">&- 2>&-") would otherwise hand
// them to the next file it opens, and its own messages to standard error would be written into
// that file (the stop signals' socket, the serial device). Ends the program with status 1 when the
// null device cannot be opened.
void open_standard_descriptors();

// Standard output is a pipe or socket whose reader went away: the next write would fail.
bool standard_output_gone();

// Writes text to stream and flushes it; false when not all of it was written.
bool print_to(std::FILE* stream, const char* text);
// The same, to standard output.
bool print_out(const char* text);
// The same, for a program that ends with it: its status, 0 or output_failed_status.
int print_last(const char* text);
