#pragma once

#include "FakeSerialControl.h"
#include "MainWindow.h"
#include "QtPrinters.h"
#include "RecordingDesktop.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <memory>

// A window on the scripted serial control and the recording desktop. Controls are reached by
// their names, as an operator reaches them by their places.
struct WindowFixture : testing::Test {
    FakeSerialControl line;
    RecordingDesktop desktop;
    std::unique_ptr<MainWindow> window;

    void create() { window = std::make_unique<MainWindow>(line, desktop); }
    void start(QSet<int> existing)
    {
        line.set_existing_ports(std::move(existing));
        create();
        window->load();
    }

    template <typename Widget = QWidget> Widget* get(const char* name) const
    {
        auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString text(const char* name) const
    {
        if (auto* label = window->findChild<QLabel*>(QString::fromLatin1(name)))
            return label->text();
        if (auto* combo = window->findChild<QComboBox*>(QString::fromLatin1(name)))
            return combo->currentText();
        return get<QLineEdit>(name)->text();
    }
    QRadioButton* option(int port) const
    {
        return window->findChild<QRadioButton*>(QStringLiteral("Optcom%1").arg(port));
    }
    int ticked_option() const
    {
        for (int port = 1; port <= 8; ++port) {
            if (option(port)->isChecked())
                return port;
        }
        return 0;
    }
    QStringList port_list() const
    {
        QStringList names;
        auto* list = get<QListWidget>("list_port");
        for (int row = 0; row < list->count(); ++row)
            names.append(list->item(row)->text());
        return names;
    }
    void press(const char* button) { get<QPushButton>(button)->click(); }
};
