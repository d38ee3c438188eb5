#pragma once

#include "FakeSerialControl.h"
#include "MainWindow.h"
#include "QtPrinters.h"
#include "RecordingDesktop.h"
#include "WindowControls.h"

#include <memory>

// A window on the scripted serial control and the recording desktop; COM1 to COM3 exist unless
// told otherwise.
struct WindowRig : WindowControls {
    FakeSerialControl line;
    RecordingDesktop desktop;
    std::unique_ptr<MainWindow> window;

    explicit WindowRig(QSet<int> existing = { 1, 2, 3 }, QSet<int> busy = {})
    {
        line.set_existing_ports(std::move(existing));
        line.set_busy_ports(std::move(busy));
        window = std::make_unique<MainWindow>(line, desktop);
        attach(window.get());
    }
    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    QString state() const { return window->commands().cmd_state(); }
    // The port side as the operator sees it, and the port open behind it.
    QString ports() const
    {
        return QStringLiteral("%1, option %2, '%3', %4")
            .arg(line.port_open() ? QStringLiteral("COM%1").arg(line.open_port_number()) : "none")
            .arg(ticked_option())
            .arg(text("txt_port"), text("Label"));
    }
};
