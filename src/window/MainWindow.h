#pragma once

// The one window of the tool.
//
// MainWindow builds its controls by walking the control table (ControlTable), wires the twenty
// notifications it handles to the card protocol (CardCommands), the port operations
// (PortOperations) and its own start-up, shut-down and system-properties handlers, and is the
// CardPanel and PortPanel through which those reach the controls. It owns the card protocol's
// state; the serial control and the desktop are given to it.
//
// A change made from code raises the same notification as the operator's action, before the call
// returns: setting txt_port's text runs its change handler, and ticking an option that was not
// ticked runs its click handler. The port operations rely on this.
//
// Three controls have behaviour of their own and are widgets of their own: list_port (ListBox)
// takes a move of its selection by the keyboard for a click; read_address (AddressBox) sends what
// is typed and takes the wheel only with the focus; txtrecv (ReceiveLogBox) holds the receive log
// and shows it at most once a screen frame.

#include "CardCommands.h"
#include "CardLimits.h"
#include "CardPanel.h"
#include "PortOperations.h"
#include "PortPanel.h"

#include <QWidget>
#include <array>

class Desktop;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class ReceiveLogBox;
class SerialControl;

class MainWindow final : public QWidget, public CardPanel, public PortPanel {
    Q_OBJECT

public:
    MainWindow(SerialControl& line, Desktop& desktop, QWidget* parent = nullptr);
    ~MainWindow() override;

    static QString caption() { return tr("NOVARD Read/Write DEMO 2008년2월15일"); }
    // The caption of every message box.
    static QString app_title() { return QStringLiteral("NOVARD Read/Write DEMO"); }
    // Block numbers offered in read_address: 4 to 62 without the sector trailers.
    static QStringList address_list();

    // The load handler: run once, before the window is first shown.
    void load();

    const CardCommands& commands() const { return commands_; }
    // A warning that holds Label while it stands (the trace losing entries): echoes and port
    // captions are kept behind it, and the latest shows again once it is cleared (empty text).
    void set_warning(const QString& text);
    // The bytes the fields become on the card (--card-encoding); CP949 until told.
    void set_card_encoding(TextEncoding encoding) { commands_.set_card_encoding(encoding); }
    // The port whose device is novard-demo --demo's simulated reader: its loss is told as the
    // simulator's stop.
    void set_simulated_port(int port) { ports_.set_simulated_port(port); }

    // CardPanel
    QString address_text() const override;
    QString key_text() const override;
    QString data_text() const override;
    void set_data_text(const QString& text) override;
    void set_echo(const QString& caption) override;
    void set_status(const QString& caption) override;
    // The receive log as the program holds it, exact after every batch; txtrecv shows it within a
    // screen frame.
    QString log_text() const override;
    void set_log_text(const QString& text) override;
    void append_log_text(QStringView batch_text) override;
    void show_message(const QString& text, const QString& detail) override;

    // PortPanel
    void tick_option(int port) override;
    void set_label(const QString& caption) override;
    void set_label_status(const StatusText& status) override;
    void tick_dtr() override;
    void tick_rts() override;
    QString port_text() const override;
    void set_port_text(const QString& text) override;
    void clear_port_list() override;
    void append_port_list(const QString& name) override;
    QString current_port_list_text() const override;
    void show_port_device(int port, const QString& device) override;

protected:
    // The unload handler; closing is never refused.
    void closeEvent(QCloseEvent* event) override;

signals:
    // A status built from its parts went to Label, whole, whether Label shows it whole or not.
    void label_status(const QString& whole);

private:
    void show_label();
    void build_controls();
    void wire();
    void option_click(int port);
    template <typename Widget> Widget* control(const char* name) const;

    SerialControl& line_;
    Desktop& desktop_;
    CardCommands commands_;
    PortOperations ports_;

    ReceiveLogBox* txtrecv = nullptr;
    QLabel* Label = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* chkdtr = nullptr;
    QCheckBox* chkrts = nullptr;
    QLineEdit* txt_port = nullptr;
    QListWidget* list_port = nullptr;
    std::array<QRadioButton*, option_ports + 1> Optcom {}; // Optcom[1] ... Optcom[8]
    QPushButton* cmdeditwrtest = nullptr;
    QPushButton* cmd_read = nullptr;
    QPushButton* cmdwrite = nullptr;
    QPushButton* cmdeditwrite = nullptr;
    QLineEdit* read_secret = nullptr;
    QComboBox* read_address = nullptr;
    QLineEdit* txtwrdata = nullptr;
    QPushButton* cmderase = nullptr;
    QPushButton* cmd_port_search = nullptr;
    QPushButton* cmd_control_board = nullptr;

    // Whether each option was ticked when the operator pressed it: a click on the ticked option
    // toggles nothing, yet it still runs the option's click handler.
    std::array<bool, option_ports + 1> option_was_ticked_ {};
    StatusText label_caption_; // Label's own caption, behind a warning
    QString warning_;
};
