#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// What the window asks of the desktop beyond its own controls: modal message boxes and starting
// another program. Tests put a recording one in its place.
class Desktop {
public:
    virtual ~Desktop() = default;

    // A modal box with the title, the text, the detail beneath it and an OK button only; no icon.
    virtual void show_message(
        QWidget* parent, const QString& title, const QString& text, const QString& detail)
        = 0;
    // The full path of a program found on the search path, or an empty text.
    virtual QString find_program(const QString& name) const = 0;
    // Starts the program without waiting for it; false when it could not be started.
    virtual bool start_detached(const QString& program, const QStringList& arguments) = 0;
};
