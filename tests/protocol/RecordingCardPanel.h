#pragma once

#include "CardPanel.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// The window's side of the card protocol for tests: plain fields, and a record of every write to
// the echo line, the status line, the log and the message box, in the order they happened.
class RecordingCardPanel final : public CardPanel {
public:
    struct Event {
        QString control; // "echo", "status", "log" or "message"
        QString text;
        QString detail; // message boxes only
        QString state_then; // what state_probe said at that moment
        qsizetype writes_then = 0; // what writes_probe said at that moment

        friend bool operator==(const Event&, const Event&) = default;
    };

    QString address = QStringLiteral("04");
    QString key = QStringLiteral("730914");
    QString data;
    QString echo;
    QString status;
    QString log;
    QList<Event> events;

    // Optional views of the world at the time of each event, for checks of order.
    std::function<QString()> state_probe;
    std::function<qsizetype()> writes_probe;

    QString address_text() const override { return address; }
    QString key_text() const override { return key; }
    QString data_text() const override { return data; }
    void set_data_text(const QString& text) override { data = text; }

    void set_echo(const QString& caption) override;
    void set_status(const QString& caption) override;
    QString log_text() const override { return log; }
    void set_log_text(const QString& text) override;
    void show_message(const QString& text, const QString& detail) override;

    // The texts of the events on one control, in order.
    QStringList texts_of(const QString& control) const;

private:
    void record(const QString& control, const QString& text, const QString& detail = {});
};
