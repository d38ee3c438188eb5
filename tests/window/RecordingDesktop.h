#pragma once

#include "Desktop.h"

#include <QList>
#include <QSet>
#include <functional>

// The desktop for window tests: message boxes are recorded and return at once, as if OK was
// pressed, and programs are found and started only on paper.
class RecordingDesktop final : public Desktop {
public:
    struct Message {
        QString title, text, detail;
    };

    void show_message(
        QWidget*, const QString& title, const QString& text, const QString& detail) override
    {
        messages.append({ title, text, detail });
        if (on_message)
            on_message();
    }
    QString find_program(const QString& name) const override
    {
        return installed.contains(name) ? "/usr/bin/" + name : QString();
    }
    bool start_detached(const QString& program, const QStringList&) override
    {
        starts.append(program);
        return start_succeeds;
    }

    QList<Message> messages;
    std::function<void()> on_message; // runs while the box would be up
    QSet<QString> installed;
    bool start_succeeds = true;
    QStringList starts;
};
