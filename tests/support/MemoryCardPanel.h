#pragma once

#include "CardPanel.h"

// The window's side of the card commands kept in memory, for the fuzz target and the log
// benchmark: the fields and the log as plain texts; the labels and the message box are not looked
// at.
class MemoryCardPanel final : public CardPanel {
public:
    QString address, key, data, log;

    QString address_text() const override { return address; }
    QString key_text() const override { return key; }
    QString data_text() const override { return data; }
    void set_data_text(const QString& text) override { data = text; }
    void set_echo(const QString&) override { }
    void set_status(const QString&) override { }
    QString log_text() const override { return log; }
    void set_log_text(const QString& text) override { log = text; }
    void append_log_text(QStringView batch_text) override { append_to_log(log, batch_text); }
    void show_message(const QString&, const QString&) override { }
};
