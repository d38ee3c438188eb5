#pragma once

#include "CardCommands.h"
#include "CardPanel.h"
#include "FakeSerialControl.h"

#include <QList>
#include <QStringList>

// The window's side of the card protocol for tests: plain fields, and every write to the echo line,
// the status line, the log and the message box in order, with cmd_state and the number of line
// writes at that moment.
class RecordingCardPanel final : public CardPanel {
public:
    struct Event {
        QString control; // "echo", "status", "log" or "message"
        QString text, detail, state_then;
        qsizetype writes_then = 0;
        friend bool operator==(const Event&, const Event&) = default;
    };

    QString address = QStringLiteral("04");
    QString key = QStringLiteral("730914");
    QString data, echo, status, log;
    QList<Event> events;
    const CardCommands* commands = nullptr;
    const FakeSerialControl* line = nullptr;

    QString address_text() const override { return address; }
    QString key_text() const override { return key; }
    QString data_text() const override { return data; }
    void set_data_text(const QString& text) override { data = text; }
    void set_echo(const QString& text) override { record(u"echo", echo = text); }
    void set_status(const QString& text) override { record(u"status", status = text); }
    QString log_text() const override { return log; }
    void set_log_text(const QString& text) override { record(u"log", log = text); }
    void show_message(const QString& text, const QString& detail) override
    {
        record(u"message", text, detail);
    }

    QStringList texts_of(QStringView control) const
    {
        QStringList texts;
        for (const Event& event : events) {
            if (event.control == control)
                texts.append(event.text);
        }
        return texts;
    }

private:
    void record(QStringView control, const QString& text, const QString& detail = {})
    {
        events.append({ control.toString(), text, detail,
            commands ? commands->cmd_state() : QString(), line ? line->outputs().size() : 0 });
    }
};

// The card protocol on a scripted line with COM1 (the default port) open, its OnComm wired as the
// window wires it.
struct CardRig {
    FakeSerialControl line;
    RecordingCardPanel panel;
    CardCommands commands { panel, line };

    CardRig()
    {
        line.set_existing_ports({ 1 });
        (void)line.open_port();
        line.set_rthreshold(1);
        QObject::connect(&line, &SerialControl::OnComm, [this] { commands.on_comm(); });
        panel.commands = &commands;
        panel.line = &line;
    }
};
