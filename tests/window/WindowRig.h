#pragma once

#include "FakeSerialControl.h"
#include "HangCeiling.h"
#include "MainWindow.h"
#include "RecordingDesktop.h"
#include "WindowControls.h"

#include <QAccessible>
#include <QApplication>
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
        for (const int port : busy)
            line.refusals.insert(port, CommResult::Kind::busy);
        window = std::make_unique<MainWindow>(line, desktop);
        attach(window.get());
    }
    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    // The port side as the operator sees it, and the port open behind it.
    QString ports() const
    {
        return QStringLiteral("%1, option %2, '%3', %4")
            .arg(line.port_open() ? QStringLiteral("COM%1").arg(line.open_port_number()) : "none")
            .arg(ticked_option())
            .arg(text("txt_port"), text("Label"));
    }
};

// The window loaded, shown and active, what its loading sent forgotten.
struct WindowTest : testing::Test, WindowRig {
    void SetUp() override
    {
        window->load();
        line.clear_outputs();
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), hang_ceiling_ms));
    }
    QString accessible(QWidget* widget, QAccessible::Text kind = QAccessible::Name) const
    {
        return QAccessible::queryAccessibleInterface(widget)->text(kind);
    }
};
