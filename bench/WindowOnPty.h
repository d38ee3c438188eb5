#pragma once

#include "MainWindow.h"
#include "Pty.h"
#include "QtDesktop.h"
#include "QtSerialControl.h"

#include <QTemporaryDir>
#include <memory>

// The tool's window as novard-demo starts it, with COM1 on a pseudo-terminal and no other port:
// start-up searches, opens COM1 and fills the fields. The benchmark plays the reader on the pty's
// master side.
struct WindowOnPty {
    Pty pty;
    QTemporaryDir no_ports;
    std::unique_ptr<QtSerialControl> line;
    QtDesktop desktop;
    std::unique_ptr<MainWindow> window;

    WindowOnPty()
    {
        if (!pty.valid())
            return;
        PortMap map;
        map.set_port_dir(no_ports.path());
        map.map_port(1, pty.device_path());
        line = std::make_unique<QtSerialControl>(map);
        window = std::make_unique<MainWindow>(*line, desktop);
        window->load();
        window->show();
    }
    ~WindowOnPty()
    {
        window.reset();
        line.reset();
    }
    WindowOnPty(const WindowOnPty&) = delete;
    WindowOnPty& operator=(const WindowOnPty&) = delete;

    bool valid() const { return window != nullptr; }
};
