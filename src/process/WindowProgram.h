#pragma once

#include <QString>

// novard-demo as a window program: where its window shows, and where its answers go.

// Its answers on the command line (--help, --version, --list-ports, an option's error)
// reach the user also where it is a window program: on Windows it has no console of its own, so
// it writes to the console of the program that started it (cmd.exe, PowerShell), and when there is
// none (started from Explorer or a shortcut) it shows the text in a message box. On Linux these
// are standard output and error as ever.

// Connects standard output and error that lead nowhere to the parent's console, when there is one.
// Called first in main, before open_standard_descriptors().
void use_parent_console();

// Tells the user text as program's answer: on standard output for status 0, on standard error
// otherwise, or in a message box titled program when that leads nowhere. The status to end with:
// status, or output_failed_status when the text could not be written on standard output.
int tell_user(const QString& program, const QString& text, int status);

// There is a display to open the window on: on Linux an X11 or Wayland display (or a Qt platform
// named), without which QApplication aborts; Windows always has its desktop.
bool display_available();

// Threads that only read ahead at start-up use the main heap rather than one of their own each,
// which would keep what they freed apart from the window's use (glibc; elsewhere nothing to do).
void share_one_heap();
