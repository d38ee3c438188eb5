#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <gtest/gtest.h>

// The window's controls reached by their names, as an operator reaches them by their places.
class WindowControls {
public:
    void attach(QWidget* window) { window_ = window; }

    template <typename Widget = QWidget> Widget* get(const char* name) const
    {
        auto* widget = window_->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // The caption of a label, the text of a combo box or a text box.
    QString text(const char* name) const
    {
        if (auto* label = window_->findChild<QLabel*>(QString::fromLatin1(name)))
            return label->text();
        if (auto* combo = window_->findChild<QComboBox*>(QString::fromLatin1(name)))
            return combo->currentText();
        return get<QLineEdit>(name)->text();
    }

    QRadioButton* option(int port) const
    {
        return window_->findChild<QRadioButton*>(QStringLiteral("Optcom%1").arg(port));
    }

    // The ticked port option, 0 for none.
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

    void press(const char* button) const { get<QPushButton>(button)->click(); }

private:
    QWidget* window_ = nullptr;
};
