#pragma once

#include "StatusText.h"

#include <QString>

// What the port operations need of the window: the port options Optcom1 ... Optcom8, the label
// Label, the check boxes chkdtr and chkrts, the port name box txt_port, the found-ports list
// list_port (with the device behind each port name) and a modal message box. Two of these raise
// notifications, as the window's controls do: ticking an option that was not ticked runs its click
// operation, and setting txt_port to a different text runs its change operation, both before the
// call returns.
class PortPanel {
public:
    virtual ~PortPanel() = default;

    virtual void tick_option(int port) = 0;
    virtual void set_label(const QString& caption) = 0;
    // Label given a status built from its parts (a port that does not open), shown whole or with
    // its device's path shortened.
    virtual void set_label_status(const StatusText& status) = 0;
    virtual void tick_dtr() = 0;
    virtual void tick_rts() = 0;

    virtual QString port_text() const = 0;
    virtual void set_port_text(const QString& text) = 0;

    virtual void clear_port_list() = 0;
    virtual void append_port_list(const QString& name) = 0;
    virtual QString current_port_list_text() const = 0;
    // The device port n opens, shown on option n (n <= 8) and on the list entry naming port n.
    virtual void show_port_device(int port, const QString& device) = 0;

    // A modal box with an OK button only and the application's title; returns once dismissed.
    virtual void show_message(const QString& text, const QString& detail) = 0;
};
