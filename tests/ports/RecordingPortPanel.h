#pragma once

#include "PortOperations.h"
#include "PortPanel.h"
#include "SerialControl.h"

#include <QList>
#include <QStringList>

// The window as the port operations see it, with its nested notifications: ticking an option that
// was not ticked runs its click, and setting txt_port to a different text runs its change, each
// before the call returns. A failure nobody handles is reported, as the window's handlers do.
class RecordingPortPanel final : public PortPanel {
public:
    struct Message {
        QString text;
        QString detail;
        // The window as the operator sees it while the box is up.
        bool port_open;
        int ticked;
        QString label;
    };

    explicit RecordingPortPanel(SerialControl& serial)
        : line(serial)
        , ops(*this, serial)
    {
    }

    void tick_option(int port) override
    {
        if (ticked != port)
            click_option(port);
    }
    void set_label(const QString& caption) override { label = caption; }
    void tick_dtr() override { dtr_ticked = true; }
    void tick_rts() override { rts_ticked = true; }
    QString port_text() const override { return port_text_; }
    void set_port_text(const QString& text) override
    {
        if (text == port_text_)
            return;
        port_text_ = text;
        ops.report(ops.txt_port_change());
    }
    void clear_port_list() override
    {
        list.clear();
        current_row = -1;
    }
    void append_port_list(const QString& name) override { list.append(name); }
    QString current_port_list_text() const override { return list.value(current_row); }
    void show_port_device(int, const QString&) override { }
    void show_message(const QString& text, const QString& detail) override
    {
        messages.append({ text, detail, line.port_open(), ticked, label });
    }

    // The operator's actions.
    void click_option(int port)
    {
        ticked = port;
        ops.report(ops.switch_port(port));
    }
    void type_port_text(const QString& text) { set_port_text(text); }
    void click_list_entry(int row)
    {
        current_row = row;
        ops.list_port_click();
    }

    SerialControl& line;
    PortOperations ops;
    int ticked = 0;
    QString label;
    bool dtr_ticked = false;
    bool rts_ticked = false;
    QStringList list;
    int current_row = -1;
    QList<Message> messages;

private:
    QString port_text_ = QStringLiteral("com_port");
};
