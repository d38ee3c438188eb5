#pragma once

#include "Desktop.h"

class QFont;

class QtDesktop final : public Desktop {
public:
    void show_message(
        QWidget* parent, const QString& title, const QString& text, const QString& detail) override;
    QString find_program(const QString& name) const override;
    bool start_detached(const QString& program, const QStringList& arguments) override;

    // The width a box keeps so that a window manager shows its whole title: the title's width in
    // the bold of the box's font (title bars draw their text bold, openbox's among them, and wider
    // than the box's own) and eight lines' height beside it, for the title bar's icon and buttons.
    static int title_room(const QString& title, QFont font);
};
