#pragma once

#include "MainWindow.h"
#include "QtDesktop.h"
#include "QtSerialControl.h"

#include <QTemporaryDir>
#include <fcntl.h>
#include <memory>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// The tool's window as novard-demo starts it, with COM1 on a pseudo-terminal and no other port:
// start-up searches, opens COM1 and fills the fields. The benchmark plays the reader on master.
struct WindowOnPty {
    int master = -1;
    int slave = -1;
    QTemporaryDir no_ports;
    std::unique_ptr<QtSerialControl> line;
    QtDesktop desktop;
    std::unique_ptr<MainWindow> window;

    WindowOnPty()
    {
        char name[256] = {};
        termios raw {};
        cfmakeraw(&raw);
        if (openpty(&master, &slave, name, &raw, nullptr) != 0)
            return;
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        PortMap map;
        map.set_port_dir(no_ports.path());
        map.map_port(1, QString::fromLocal8Bit(name));
        line = std::make_unique<QtSerialControl>(map);
        window = std::make_unique<MainWindow>(*line, desktop);
        window->load();
        window->show();
    }
    ~WindowOnPty()
    {
        window.reset();
        line.reset();
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
    WindowOnPty(const WindowOnPty&) = delete;
    WindowOnPty& operator=(const WindowOnPty&) = delete;

    bool valid() const { return window != nullptr; }
};
