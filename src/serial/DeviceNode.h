#pragma once

#include <QString>

// A serial device as the kernel names and sees it. One device may be reached by many paths (a
// link, a bind mount, a second node made with mknod); other serial programs (picocom, minicom) take
// their lock under the kernel's one name, so the tool opens and locks every device under it too.
class DeviceNode {
public:
    // The kernel's name for the character device at path (/dev/pts/5, /dev/ttyUSB0), found from
    // its device number; path made absolute and free of links when it names no such device.
    static QString kernel_name(const QString& path);
    // The lock file that QSerialPort and the serial tools take for node: LCK.. and the node's name
    // under /dev, "_" for "/" (/var/lock/LCK..pts_5).
    static QString lock_file(const QString& node);
    // What opening path as a serial line would meet for its type, told before it is opened:
    // EISDIR for a folder, ENOTTY for anything but a character device (a file, a FIFO); 0 for a
    // character device, which may still be no terminal (/dev/null), or for a path not there.
    static int type_error(const QString& path);
    // Whether descriptor fd is a pseudo-terminal's device side (Unix98, majors 136 to 143), which
    // answers TIOCOUTQ with 0 whatever it holds.
    static bool pseudo_terminal(int fd);
    // Whether the node at path is a pseudo-terminal's device side; false when there is none.
    static bool pseudo_terminal(const QString& path);
    // What the driver of the terminal at fd holds still, not yet on the line (TIOCOUTQ).
    static qsizetype output_queued(int fd);
    // Whether the terminal at fd is hung up: its device went away (adapter pulled, a
    // pseudo-terminal's other side closed), so every read returns zero bytes. A live line is not.
    static bool hung_up(int fd);
};
