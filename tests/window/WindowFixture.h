#pragma once

#include "FakeSerialControl.h"
#include "MainWindow.h"
#include "QtPrinters.h"
#include "RecordingDesktop.h"
#include "WindowControls.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// A window on the scripted serial control and the recording desktop.
struct WindowFixture : testing::Test, WindowControls {
    FakeSerialControl line;
    RecordingDesktop desktop;
    std::unique_ptr<MainWindow> window;

    void create()
    {
        window = std::make_unique<MainWindow>(line, desktop);
        attach(window.get());
    }
    void start(QSet<int> existing)
    {
        line.set_existing_ports(std::move(existing));
        create();
        window->load();
    }
    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    QString state() const { return window->commands().cmd_state(); }
};
