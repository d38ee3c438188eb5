#include "RecordingCardPanel.h"

void RecordingCardPanel::set_echo(const QString& caption)
{
    echo = caption;
    record(QStringLiteral("echo"), caption);
}

void RecordingCardPanel::set_status(const QString& caption)
{
    status = caption;
    record(QStringLiteral("status"), caption);
}

void RecordingCardPanel::set_log_text(const QString& text)
{
    log = text;
    record(QStringLiteral("log"), text);
}

void RecordingCardPanel::show_message(const QString& text, const QString& detail)
{
    record(QStringLiteral("message"), text, detail);
}

QStringList RecordingCardPanel::texts_of(const QString& control) const
{
    QStringList texts;
    for (const Event& event : events) {
        if (event.control == control)
            texts.append(event.text);
    }
    return texts;
}

void RecordingCardPanel::record(const QString& control, const QString& text, const QString& detail)
{
    events.append(Event { control, text, detail, state_probe ? state_probe() : QString(),
        writes_probe ? writes_probe() : 0 });
}
