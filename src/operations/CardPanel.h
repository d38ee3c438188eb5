#pragma once

#include "ReceiveLog.h"

#include <QString>
#include <QStringView>

// What the card protocol reads and writes on the window: the three operator fields (read_address,
// read_secret, txtwrdata), the echo line Label, the status line Label1, the receive log txtrecv and
// a modal message box.
class CardPanel {
public:
    virtual ~CardPanel() = default;

    virtual QString address_text() const = 0;
    virtual QString key_text() const = 0;
    virtual QString data_text() const = 0;
    virtual void set_data_text(const QString& text) = 0;

    virtual void set_echo(const QString& caption) = 0;
    virtual void set_status(const QString& caption) = 0;

    virtual QString log_text() const = 0;
    virtual void set_log_text(const QString& text) = 0;
    // The batch text at the end of the log, kept within its bound (append_to_log), in place: for
    // the cost of the batch alone.
    virtual void append_log_text(QStringView batch_text) = 0;

    // A modal box with an OK button only and the application's title; returns once dismissed.
    // The detail, when not empty, is shown beneath the text.
    virtual void show_message(const QString& text, const QString& detail) = 0;
};
