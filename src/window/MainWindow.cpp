#include "MainWindow.h"

#include "AddressBox.h"
#include "ControlTable.h"
#include "Desktop.h"
#include "FittedText.h"
#include "ListBox.h"
#include "ReceiveLogBox.h"
#include "SerialControl.h"
#include "SystemProperties.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr QColor label_colour { 255, 192, 128 };

int pixels(int twips)
{
    return twips / twips_per_pixel;
}

QString translated(const char* text)
{
    return QCoreApplication::translate("ControlTable", text);
}

QWidget* make_control(const ControlRow& row, QWidget* container)
{
    const QString caption = translated(row.caption);
    switch (row.kind) {
    case ControlKind::text_box:
        return new QLineEdit(caption, container);
    case ControlKind::receive_log:
        return new ReceiveLogBox(container);
    case ControlKind::label: {
        auto* label = new QLabel(caption, container);
        // Operator text is echoed here; it is always shown literally.
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ControlKind::frame:
        return new QGroupBox(caption, container);
    case ControlKind::check_box:
        return new QCheckBox(caption, container);
    case ControlKind::list_box:
        return new ListBox(container);
    case ControlKind::option:
        return new QRadioButton(caption, container);
    case ControlKind::push_button: {
        auto* button = new QPushButton(caption, container);
        // No button answers Enter or Esc.
        button->setAutoDefault(false);
        button->setDefault(false);
        return button;
    }
    case ControlKind::combo_box: {
        auto* combo = new AddressBox(container);
        combo->setEditText(caption);
        return combo;
    }
    case ControlKind::serial_port:
        return nullptr;
    }
    return nullptr;
}

} // namespace

MainWindow::MainWindow(SerialControl& line, Desktop& desktop, QWidget* parent)
    : QWidget(parent)
    , line_(line)
    , desktop_(desktop)
    , commands_(*this, line)
    , ports_(*this, line)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(caption());
    setFixedSize(pixels(client_width_twips), pixels(client_height_twips));
    QFont font(QStringLiteral("NanumGothic"), 9);
    font.setFamilies({ QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR"),
        QStringLiteral("Malgun Gothic"), QStringLiteral("Gulim") });
    setFont(font);

    build_controls();
    wire();
}

MainWindow::~MainWindow() = default;

template <typename Widget> Widget* MainWindow::control(const char* name) const
{
    return findChild<Widget*>(QString::fromLatin1(name));
}

void MainWindow::build_controls()
{
    QHash<QString, QWidget*> containers { { QStringLiteral("main"), this } };
    std::vector<std::pair<int, QWidget*>> tab_order;
    for (const ControlRow& row : control_table()) {
        QWidget* widget = make_control(row, containers.value(QString::fromLatin1(row.container)));
        if (!widget)
            continue;
        const QString name = QString::fromLatin1(row.name);
        widget->setObjectName(name);
        widget->setGeometry(
            pixels(row.left), pixels(row.top), pixels(row.width), pixels(row.height));
        if (*row.description && row.kind == ControlKind::label)
            widget->setAccessibleDescription(translated(row.description));
        else if (*row.description)
            widget->setAccessibleName(translated(row.description));
        // On Linux a combo box's accessible name is its text; the operator's focus, and so the
        // screen reader, is on its text field.
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            combo->lineEdit()->setAccessibleName(translated(row.description));
        if (row.kind == ControlKind::frame)
            containers.insert(name, widget);
        else if (widget->focusPolicy() != Qt::NoFocus)
            tab_order.emplace_back(row.tab, widget);
    }
    std::ranges::sort(tab_order, {}, &std::pair<int, QWidget*>::first);
    for (std::size_t i = 1; i < tab_order.size(); ++i)
        setTabOrder(tab_order[i - 1].second, tab_order[i].second);

    txtrecv = control<ReceiveLogBox>("txtrecv");
    Label = control<QLabel>("Label");
    Label1 = control<QLabel>("Label1");
    chkdtr = control<QCheckBox>("chkdtr");
    chkrts = control<QCheckBox>("chkrts");
    txt_port = control<QLineEdit>("txt_port");
    list_port = control<QListWidget>("list_port");
    for (int port = 1; port <= option_ports; ++port)
        Optcom[port] = findChild<QRadioButton*>(QStringLiteral("Optcom%1").arg(port));
    cmdeditwrtest = control<QPushButton>("cmdeditwrtest");
    cmd_read = control<QPushButton>("cmd_read");
    cmdwrite = control<QPushButton>("cmdwrite");
    cmdeditwrite = control<QPushButton>("cmdeditwrite");
    read_secret = control<QLineEdit>("read_secret");
    read_address = control<QComboBox>("read_address");
    txtwrdata = control<QLineEdit>("txtwrdata");
    cmderase = control<QPushButton>("cmderase");
    cmd_port_search = control<QPushButton>("cmd_port_search");
    cmd_control_board = control<QPushButton>("cmd_control_board");

    for (QLabel* label : { Label, Label1 }) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, label_colour);
        label->setPalette(palette);
        label->setAutoFillBackground(true);
    }
    // The port name box is typed into or filled from the list; Tab passes it by.
    txt_port->setFocusPolicy(Qt::ClickFocus);
    txtrecv->setFocus();
}

// Every notification the window handles, and nothing else.
void MainWindow::wire()
{
    connect(cmd_read, &QPushButton::clicked, this, [this] { commands_.cmd_read(); });
    connect(cmdwrite, &QPushButton::clicked, this, [this] { commands_.cmdwrite(); });
    connect(cmdeditwrite, &QPushButton::clicked, this, [this] { commands_.cmdeditwrite(); });
    connect(cmdeditwrtest, &QPushButton::clicked, this, [this] { commands_.cmdeditwrtest(); });
    connect(cmderase, &QPushButton::clicked, this, [this] { commands_.cmderase(); });
    connect(&line_, &SerialControl::OnComm, this, [this] { commands_.on_comm(); });
    connect(&line_, &SerialControl::OnComm, this, [this] { ports_.line_event(); });

    for (int port = 1; port <= option_ports; ++port) {
        QRadioButton* option = Optcom[port];
        // A tick, by the operator or from code, runs the click once; a click on the ticked
        // option ticks nothing and so is caught by its click.
        connect(option, &QRadioButton::toggled, this, [this, port](bool ticked) {
            if (ticked)
                option_click(port);
        });
        connect(option, &QRadioButton::pressed, this,
            [this, port] { option_was_ticked_[port] = Optcom[port]->isChecked(); });
        connect(option, &QRadioButton::clicked, this, [this, port] {
            if (std::exchange(option_was_ticked_[port], false))
                option_click(port);
        });
    }

    connect(list_port, &QListWidget::itemClicked, this, [this] { ports_.list_port_click(); });
    connect(txt_port, &QLineEdit::textChanged, this,
        [this] { ports_.report(ports_.txt_port_change()); });
    connect(cmd_port_search, &QPushButton::clicked, this, [this] { ports_.search_ports(); });
    connect(cmd_control_board, &QPushButton::clicked, this,
        [this] { open_system_properties(desktop_, this, app_title()); });
}

void MainWindow::option_click(int port)
{
    ports_.report(ports_.switch_port(port));
}

QStringList MainWindow::address_list()
{
    QStringList addresses;
    for (int block = 4; block <= 62; ++block) {
        if (block % 4 != 3)
            addresses.append(QStringLiteral("%1").arg(block, 2, 10, QLatin1Char('0')));
    }
    return addresses;
}

void MainWindow::load()
{
    ports_.search_ports();
    ports_.report(ports_.open_default_port());
    set_port_text(list_port->count() > 0 ? list_port->item(0)->text() : QString());
    commands_.set_cmd_state(QString());
    for (const QString& address : address_list())
        read_address->addItem(address);
    read_address->setEditText(QStringLiteral("04"));
    read_secret->setText(default_key());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    line_.close_port();
    event->accept();
}

QString MainWindow::address_text() const
{
    return read_address->currentText();
}
QString MainWindow::key_text() const
{
    return read_secret->text();
}
QString MainWindow::data_text() const
{
    return txtwrdata->text();
}
void MainWindow::set_data_text(const QString& text)
{
    txtwrdata->setText(text);
}
void MainWindow::set_echo(const QString& caption)
{
    set_label(caption);
}
void MainWindow::set_status(const QString& caption)
{
    Label1->setText(caption);
}
QString MainWindow::log_text() const
{
    return txtrecv->log();
}
void MainWindow::set_log_text(const QString& text)
{
    txtrecv->set_log(text);
}
void MainWindow::append_log_text(QStringView batch_text)
{
    txtrecv->append_log(batch_text);
}

void MainWindow::show_message(const QString& text, const QString& detail)
{
    desktop_.show_message(this, app_title(), text, detail);
}

void MainWindow::tick_option(int port)
{
    Optcom[port]->setChecked(true);
}
void MainWindow::set_label(const QString& caption)
{
    label_caption_ = { caption, {}, {} };
    show_label();
}
void MainWindow::set_label_status(const StatusText& status)
{
    label_caption_ = status;
    show_label();
    emit label_status(status.whole());
}
void MainWindow::set_warning(const QString& text)
{
    warning_ = text;
    show_label();
}
void MainWindow::show_label()
{
    show_fitted(*Label, warning_.isEmpty() ? label_caption_ : StatusText { warning_, {}, {} });
}
void MainWindow::tick_dtr()
{
    chkdtr->setChecked(true);
}
void MainWindow::tick_rts()
{
    chkrts->setChecked(true);
}
QString MainWindow::port_text() const
{
    return txt_port->text();
}
void MainWindow::set_port_text(const QString& text)
{
    txt_port->setText(text);
}
void MainWindow::clear_port_list()
{
    list_port->clear();
}
void MainWindow::append_port_list(const QString& name)
{
    list_port->addItem(name);
}

QString MainWindow::current_port_list_text() const
{
    const QListWidgetItem* item = list_port->currentItem();
    return item ? item->text() : QString();
}

void MainWindow::show_port_device(int port, const QString& device)
{
    if (port <= option_ports)
        Optcom[port]->setToolTip(device);
    for (QListWidgetItem* item :
        list_port->findItems(SerialControl::port_name(port), Qt::MatchExactly))
        item->setToolTip(device);
}
