#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTest>
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
        const QWidget* widget = get(name);
        return widget->property(qobject_cast<const QComboBox*>(widget) ? "currentText" : "text")
            .toString();
    }
    QRadioButton* option(int port) const
    {
        return window_->findChild<QRadioButton*>(QStringLiteral("Optcom%1").arg(port));
    }
    // The ticked port option, 0 for none.
    int ticked_option() const
    {
        int port = 8;
        while (port > 0 && !option(port)->isChecked())
            --port;
        return port;
    }
    QStringList port_list() const
    {
        QStringList names;
        for (const QListWidgetItem* item :
            get<QListWidget>("list_port")->findItems(QStringLiteral("*"), Qt::MatchWildcard))
            names.append(item->text());
        return names;
    }
    void press(const char* button) const { get<QPushButton>(button)->click(); }
    // As the operator types: a click into the field, all of its text selected, then key by key
    // (a character beyond ASCII as an input method gives it, a key event with its text).
    void type_into(const char* name, const QString& text) const
    {
        QWidget* field = get(name);
        if (auto* combo = qobject_cast<QComboBox*>(field))
            field = combo->lineEdit();
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        for (qsizetype i = 0, length = 1; i < text.size(); i += length) {
            length = text[i].isHighSurrogate() ? 2 : 1;
            if (text[i].unicode() < 0x80)
                QTest::keyClick(field, text[i].toLatin1());
            else
                QTest::sendKeyEvent(
                    QTest::Click, field, Qt::Key_unknown, text.mid(i, length), Qt::NoModifier);
        }
    }

private:
    QWidget* window_ = nullptr;
};
