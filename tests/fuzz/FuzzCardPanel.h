#pragma once

#include "CardPanel.h"

// The window's side of the card protocol for the fuzzer: fields the input sets, and the last text
// of every control.
class FuzzCardPanel final : public CardPanel {
public:
    QString address;
    QString key;
    QString data;
    QString echo;
    QString status;
    QString log;
    int messages = 0;

    QString address_text() const override { return address; }
    QString key_text() const override { return key; }
    QString data_text() const override { return data; }
    void set_data_text(const QString& text) override { data = text; }
    void set_echo(const QString& caption) override { echo = caption; }
    void set_status(const QString& caption) override { status = caption; }
    QString log_text() const override { return log; }
    void set_log_text(const QString& text) override { log = text; }
    void append_log_text(QStringView batch_text) override { append_to_log(log, batch_text); }
    void show_message(const QString&, const QString&) override { ++messages; }
};
