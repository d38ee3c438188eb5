#pragma once

#include "Desktop.h"

#include <QSet>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

// The desktop for window tests: message boxes are recorded, each as "text | detail" (or the text
// alone), and return at once, as if OK was pressed; programs are found and started only on paper.
class RecordingDesktop final : public Desktop {
public:
    void show_message(
        QWidget*, const QString& title, const QString& text, const QString& detail) override
    {
        EXPECT_EQ(title, "NOVARD Read/Write DEMO") << "every box has the tool's title";
        boxes.append(detail.isEmpty() ? text : text + " | " + detail);
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

    QStringList boxes;
    std::function<void()> on_message; // runs while the box would be up
    QSet<QString> installed;
    bool start_succeeds = true;
    QStringList starts;
};
