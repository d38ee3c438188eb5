// The window on the scripted line, driven by clicks and key presses: its layout, start-up, the port
// choices and their faults, and the card commands from the operator's side.

#include "ControlTable.h"
#include "ReceiveLog.h"
#include "WindowFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QWheelEvent>
#include <numeric>

namespace {

TEST(Startup, EndsWithTheFoundPortsAndTheRightPortOpen)
{
    const struct {
        QSet<int> existing;
        QSet<int> busy_during_search; // free again by the default opening
        QStringList listed;
        int open_port; // 0: none
        int ticked;
        QString label;
    } cases[] = {
        { {}, {}, {}, 0, 1, "COM1 포트를 열 수 없습니다: COM1: No such file or directory" },
        { { 1, 3, 5 }, {}, { "COM1", "COM3", "COM5" }, 1, 1, "9600,n,8,1" },
        { { 1, 8 }, { 1 }, { "COM8" }, 8, 8, "COM8 PORT ON" },
        { { 1, 16 }, { 1 }, { "COM16" }, 1, 1, "9600,n,8,1" },
        { { 3 }, {}, { "COM3" }, 3, 3, "COM3 PORT ON" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label.toStdString() + " " + c.listed.join(u' ').toStdString());
        FakeSerialControl line;
        RecordingDesktop desktop;
        line.set_existing_ports(c.existing);
        line.set_busy_ports(c.busy_during_search);
        // The search probes sixteen ports first; what was busy then is free right after.
        line.before_open = [&](int) {
            if (line.open_attempts().size() == 16)
                line.set_busy_ports({});
        };
        MainWindow window(line, desktop);
        WindowControls controls;
        controls.attach(&window);
        window.load();

        QList<int> probes(16);
        std::iota(probes.begin(), probes.end(), 1);
        EXPECT_EQ(line.open_attempts().mid(0, 16), probes);
        EXPECT_EQ(controls.port_list(), c.listed);
        EXPECT_EQ(controls.text("txt_port"), c.listed.value(0));
        EXPECT_EQ(line.open_port_number(), c.open_port);
        EXPECT_EQ(controls.text("Label"), c.label);
        EXPECT_EQ(controls.ticked_option(), c.ticked);
        if (c.label == "9600,n,8,1") { // the default opening puts the reader's line settings
            EXPECT_TRUE(line.dtr_enable() && line.rts_enable() && line.rthreshold() == 1);
            EXPECT_EQ(line.settings(), c.label);
        }
        EXPECT_TRUE(desktop.messages.isEmpty()) << "start-up never brings a box";
    }
}

struct WindowTest : WindowFixture {
    void SetUp() override
    {
        start({ 1, 2, 3 });
        line.clear_outputs();
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // As the operator types: all of the old text selected, then key by key.
    void type_into(QWidget* field, const QString& text)
    {
        if (auto* combo = qobject_cast<QComboBox*>(field))
            field = combo->lineEdit();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
    void scroll_down(QWidget* widget)
    {
        const QPointF at = widget->rect().center();
        QWheelEvent wheel(at, widget->mapToGlobal(at), {}, { 0, -120 }, Qt::NoButton, {},
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &wheel);
    }
    QString accessible(QWidget* widget, QAccessible::Text kind = QAccessible::Name) const
    {
        return QAccessible::queryAccessibleInterface(widget)->text(kind);
    }
};

TEST_F(WindowTest, IsLaidOutAndReachedByTabAndScreenReaderAsTheOperatorKnowsIt)
{
    const struct {
        const char *name, *kind, *container;
        QRect geometry; // pixels, at 15 twips to the pixel
    } anchors[] = {
        { "txtrecv", "QLineEdit", "main", { 16, 40, 721, 18 } },
        { "list_port", "ListBox", "Frame3", { 16, 48, 89, 112 } },
        { "Optcom5", "QRadioButton", "comport", { 88, 24, 65, 17 } },
        { "read_address", "QComboBox", "Frame4", { 136, 24, 185, 20 } },
        { "cmd_control_board", "QPushButton", "Frame5", { 16, 48, 153, 25 } },
    };
    for (const auto& row : anchors) {
        QWidget* widget = get(row.name);
        EXPECT_STREQ(widget->metaObject()->className(), row.kind);
        EXPECT_EQ(widget->parentWidget()->objectName(), row.container);
        EXPECT_EQ(widget->geometry(), row.geometry) << row.name;
    }
    EXPECT_EQ(get<QGroupBox>("Frame3")->title(), "검색 통신포트");
    EXPECT_EQ(get<QPushButton>("cmdeditwrite")->text(), "수정발행");
    EXPECT_EQ(window->windowTitle(), "NOVARD Read/Write DEMO 2008년2월15일");
    EXPECT_EQ(window->size(), QSize(749, 357));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(QFontInfo(window->font()).family().contains("Nanum")
        || QFontDatabase::families(QFontDatabase::Korean).isEmpty());
    for (const char* name : { "Label", "Label1" }) {
        EXPECT_TRUE(get<QLabel>(name)->autoFillBackground()) << name;
        EXPECT_EQ(get<QLabel>(name)->palette().color(QPalette::Window), QColor(255, 192, 128));
    }
    // Operator text shown in a label is never taken for markup; no button answers Enter or Esc.
    for (const QLabel* label : window->findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    for (const QPushButton* button : window->findChildren<QPushButton*>())
        EXPECT_FALSE(button->isDefault() || button->autoDefault());
    EXPECT_EQ(get<QLineEdit>("txtrecv")->maxLength(), receive_log_capacity);

    // The fields in order, the options as one stop; the combo box's text field stands for it.
    QStringList visited;
    EXPECT_EQ(QApplication::focusWidget(), get("txtrecv"));
    for (int press = 0; press < 15; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        visited.append(qobject_cast<QComboBox*>(focus->parentWidget())
                ? focus->parentWidget()->objectName()
                : focus->objectName());
    }
    EXPECT_EQ(visited,
        QStringList({ "chkdtr", "chkrts", "list_port", "Optcom1", "cmdeditwrtest", "cmd_read",
            "cmdwrite", "cmdeditwrite", "read_secret", "read_address", "txtwrdata", "cmderase",
            "cmd_port_search", "cmd_control_board", "txtrecv" }));

    // Captioned controls by their captions, fields by their purpose, status lines by what they
    // show; the combo box is announced by its text field, which has the focus.
    for (const ControlRow& row : control_table()) {
        QWidget* widget = window->findChild<QWidget*>(row.name);
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            widget = combo->lineEdit();
        if (widget != nullptr) {
            EXPECT_FALSE(accessible(widget).isEmpty()
                && accessible(widget, QAccessible::Description).isEmpty())
                << row.name;
        }
    }
    EXPECT_EQ(accessible(get("Optcom5")), "COM5");
    EXPECT_EQ(accessible(get("txtrecv")), "수신 데이터");
    EXPECT_EQ(accessible(get<QComboBox>("read_address")->lineEdit()), "블록 주소");
    EXPECT_EQ(accessible(get("Label")), "9600,n,8,1");
    EXPECT_EQ(accessible(get("Label1"), QAccessible::Description), "카드 처리 상태");
}

TEST_F(WindowTest, FieldsStartFilledAndTypingOrClickingElsewhereSendsNothing)
{
    auto* address = get<QComboBox>("read_address");
    ASSERT_EQ(address->count(), 45);
    EXPECT_EQ(address->itemText(0), "04");
    EXPECT_EQ(address->itemText(3), "08") << "trailer block 07 left out";
    EXPECT_EQ(address->itemText(44), "62");
    EXPECT_EQ(text("read_secret"), "730914");
    EXPECT_EQ(text("txtwrdata"), "");
    EXPECT_TRUE(get<QCheckBox>("chkdtr")->isChecked() && get<QCheckBox>("chkrts")->isChecked());

    // A scroll over the window must not move a write to another block; over the focused box it may.
    scroll_down(address);
    EXPECT_EQ(text("read_address"), "04");
    address->setFocus();
    scroll_down(address);
    EXPECT_EQ(text("read_address"), "05");

    for (const char* name : { "read_secret", "txtwrdata", "txtrecv" })
        type_into(get(name), "COM2;");
    for (const char* name :
        { "chkdtr", "chkrts", "Label", "Label1", "Label4", "Frame1", "comport" })
        click(get(name));
    EXPECT_FALSE(get<QCheckBox>("chkdtr")->isChecked() || get<QCheckBox>("chkrts")->isChecked());
    EXPECT_TRUE(line.dtr_enable() && line.rts_enable()) << "the lines stay on";
    EXPECT_TRUE(line.outputs().isEmpty());
    EXPECT_EQ(line.open_port_number(), 1);
    EXPECT_EQ(text("Label"), "9600,n,8,1");
    EXPECT_EQ(state(), "");
}

TEST_F(WindowTest, OptionsListAndPortTextEachSwitchThePortOnce)
{
    auto attempts = line.open_attempts().size();
    click(option(3));
    EXPECT_EQ(ticked_option(), 3);
    EXPECT_EQ(line.open_port_number(), 3);
    EXPECT_EQ(line.open_attempts().size(), ++attempts);
    EXPECT_EQ(text("Label"), "COM3 PORT ON");

    // Typing COM12 passes through COM1; the port text names the port, no option is ticked by hand.
    type_into(get("txt_port"), "COM12");
    EXPECT_EQ(line.open_port_number(), 1);
    EXPECT_EQ(ticked_option(), 1);
    EXPECT_EQ(text("Label"), "COM1 PORT ON");
    attempts = line.open_attempts().size();

    // Tabbing into the list chooses nothing; each move of the selection is one switch.
    get("chkrts")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto* list = get<QListWidget>("list_port");
    ASSERT_EQ(QApplication::focusWidget(), list);
    EXPECT_EQ(line.open_attempts().size(), attempts);
    const std::pair<Qt::Key, int> moves[] { { Qt::Key_Down, 2 }, { Qt::Key_Down, 3 },
        { Qt::Key_Up, 2 }, { Qt::Key_Home, 1 } };
    for (const auto& [key, port] : moves) {
        QTest::keyClick(list, key);
        EXPECT_EQ(text("txt_port"), QStringLiteral("COM%1").arg(port));
        EXPECT_EQ(line.open_port_number(), port);
        EXPECT_EQ(line.open_attempts().size(), ++attempts);
    }
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    EXPECT_EQ(line.open_port_number(), 3);
    EXPECT_EQ(line.open_attempts().size(), ++attempts);

    // A search leaves no port open; any choice after it opens its port, the ticked option too.
    press("cmd_port_search");
    EXPECT_EQ(port_list(), QStringList({ "COM1", "COM2", "COM3" }));
    EXPECT_FALSE(line.port_open());
    EXPECT_EQ(text("txt_port"), "");
    click(option(ticked_option()));
    EXPECT_EQ(line.open_port_number(), 3);
    press("cmd_port_search");
    window->tick_option(2); // as the operations tick it: its click runs once
    EXPECT_EQ(line.open_port_number(), 2);
    EXPECT_FALSE(option(3)->isChecked());
    press("cmd_port_search");
    window->set_port_text("COM1"); // its change runs before the next statement
    EXPECT_EQ(line.open_port_number(), 1);
    EXPECT_EQ(ticked_option(), 1);
}

TEST_F(WindowTest, AMissingPortShowsTheChoiceWhileTheBoxIsUpThenFallsBackToComOne)
{
    QStringList while_up;
    desktop.on_message = [&] {
        while_up = { text("Label"), QString::number(ticked_option()),
            line.port_open() ? "open" : "closed" };
    };
    click(option(7));
    ASSERT_EQ(desktop.messages.size(), 1);
    const RecordingDesktop::Message& box = desktop.messages[0];
    EXPECT_EQ(QStringList({ box.title, box.text, box.detail }),
        QStringList({ "NOVARD Read/Write DEMO", "존제 하지 않는 통신포트 입니다.",
            "COM7: No such file or directory" }));
    EXPECT_EQ(while_up, QStringList({ "COM7 PORT ON", "7", "closed" }));
    EXPECT_EQ(line.open_port_number(), 1);
    EXPECT_EQ(ticked_option(), 1);
    EXPECT_EQ(text("Label"), "9600,n,8,1");

    // When COM1 fails too, one box and the reason in the label; a port that exists opens later.
    line.set_busy_ports({ 1 });
    click(option(4));
    EXPECT_EQ(desktop.messages.size(), 2);
    EXPECT_FALSE(line.port_open());
    EXPECT_EQ(text("Label"),
        "COM1 포트를 열 수 없습니다: COM1: Device or resource busy — 다른 프로그램이 이 포트를 "
        "사용하고 있습니다");
    click(option(2));
    EXPECT_EQ(line.open_port_number(), 2);
}

TEST_F(WindowTest, ButtonsSendTheTypedFieldsAndRepliesMoveTheMessagesAndTheLog)
{
    type_into(get("read_address"), " 63 "); // typed, not in the list, and not added to it
    type_into(get("txtwrdata"), "<b>x</b><img> ");
    const std::pair<const char*, const char*> sent[] { { "cmd_read", "R63;730914" },
        { "cmdwrite", "N63;730914;<b>x</b><img>" },
        { "cmdeditwrite", "W63;730914;<b>x</b><img>" } };
    for (const auto& [button, body] : sent) {
        line.clear_outputs();
        click(get(button));
        EXPECT_EQ(line.outputs(), QStringList({ "\x02", body, "\x03" }));
    }
    EXPECT_EQ(get<QComboBox>("read_address")->count(), 45);
    EXPECT_EQ(text("Label"), "[STX] W 63 ; 730914 ; <b>x</b><img> [ETX] 수정 카드 발행 입니다.");
    EXPECT_EQ(text("txtwrdata"), "<b>x</b><img> ") << "the field keeps its untrimmed text";

    line.receive("\x06");
    line.receive("\x0d");
    EXPECT_EQ(text("Label1"), "수정 명령 전송 완료 -> 카드를 대어 주세요");
    line.receive("0123456789ABCDEF\x0d");
    EXPECT_EQ(text("Label1"), "카드 수정 완료");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return text("txtrecv") == "[ACK][CR]0123456789ABCDEF[CR]"; }));

    // A read empties the log; a step without a message leaves Label1; events other than data
    // received leave the waiting bytes alone.
    press("cmd_read");
    EXPECT_EQ(window->log_text(), "");
    line.set_rthreshold(0);
    line.receive("\x06\x0d\x18");
    for (const int event : { 0, 1, 3, 1001, 1004, 1006, 1009 })
        line.raise_event(event);
    EXPECT_EQ(window->log_text(), "");
    line.raise_event(SerialControl::comEvReceive);
    EXPECT_EQ(window->log_text(), "[ACK][CR][CAN]");
    EXPECT_EQ(text("Label1"), "읽기 명령 전송 완료 -> 카드를 대어 주세요");
    line.set_rthreshold(1);
    line.receive("\x0d");
    EXPECT_EQ(text("Label1"), "읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)");
    EXPECT_EQ(state(), "");

    press("cmderase");
    EXPECT_TRUE(QTest::qWaitFor([&] { return text("txtrecv").isEmpty(); }));
    EXPECT_EQ(text("Label"), "");
    EXPECT_EQ(text("Label1"), "읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)");

    // The test patterns cycle; a send does not restart them.
    for (const char* pattern :
        { "1234567890123456", "0000000000000000", "5555555555555555", "1234567890123456" }) {
        press("cmdeditwrtest");
        EXPECT_EQ(text("txtwrdata"), pattern);
    }
    press("cmdwrite");
    press("cmdeditwrtest");
    EXPECT_EQ(text("txtwrdata"), "0000000000000000");

    line.clear_outputs();
    type_into(get("txtwrdata"), "12345678901234567");
    press("cmdwrite");
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_EQ(desktop.messages[0].text, "16자를 초과 했습니다");
    EXPECT_TRUE(line.outputs().isEmpty());
    EXPECT_EQ(state(), "new");

    // A device pulled out mid-frame: the rest is not sent and the reason is told.
    line.outputs_before_refusal = 1;
    press("cmd_read");
    ASSERT_EQ(desktop.messages.size(), 2);
    EXPECT_EQ(QStringList({ desktop.messages[1].text, desktop.messages[1].detail }),
        QStringList({ "통신포트로 명령을 보내지 못했습니다. 통신포트를 확인하시기 바랍니다.",
            "COM1: Input/output error" }));
    EXPECT_EQ(line.outputs(), QStringList { "\x02" });
    EXPECT_EQ(state(), "new");
    line.outputs_before_refusal = -1;

    press("cmd_port_search"); // leaves no port open
    line.clear_outputs();
    press("cmd_read");
    ASSERT_EQ(desktop.messages.size(), 3);
    EXPECT_EQ(
        desktop.messages[2].text, "열린 통신포트가 없습니다. 통신포트를 선택하시기 바랍니다.");
    EXPECT_EQ(desktop.messages[2].detail, "") << "no device the operator never chose is named";
    EXPECT_TRUE(line.outputs().isEmpty());

    click(option(1));
    press("cmd_read");
    ASSERT_EQ(state(), "read");
    const int closes = line.close_count();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(line.port_open());
    EXPECT_EQ(line.close_count(), closes + 1);
}

// Only the log's end is on screen; whatever the operator reaches into is the whole log.
TEST_F(WindowTest, TheLogBoxShowsTheLogsEndAndTheWholeLogOnceTheOperatorClicksIntoIt)
{
    auto* box = get<QLineEdit>("txtrecv");
    const auto shows_the_end
        = [&] { return !box->text().isEmpty() && window->log_text().endsWith(box->text()); };
    line.receive(QByteArray(2000, '0') + "123456789");
    ASSERT_TRUE(QTest::qWaitFor(shows_the_end));
    EXPECT_LT(box->text().size(), window->log_text().size());

    // A click near the right end puts the cursor near the log's end, as the operator saw it.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 20, box->height() / 2));
    EXPECT_EQ(box->text(), window->log_text());
    EXPECT_GT(box->cursorPosition(), window->log_text().size() - 8);
    line.receive("\x06");
    EXPECT_TRUE(QTest::qWaitFor([&] { return box->text() == window->log_text(); }));

    click(get("txtwrdata"));
    line.receive("\x15");
    EXPECT_TRUE(QTest::qWaitFor([&] { return box->text().endsWith("[NAK]"); }));
    EXPECT_TRUE(shows_the_end());
    EXPECT_LT(box->text().size(), window->log_text().size());
}

TEST_F(WindowTest, SystemPropertiesStartsTheFirstInstalledPanelOrSaysWhy)
{
    press("cmd_control_board");
    desktop.installed = { "xfce4-settings-manager", "systemsettings" };
    press("cmd_control_board");
    desktop.start_succeeds = false;
    press("cmd_control_board");
    EXPECT_EQ(
        desktop.starts, QStringList({ "/usr/bin/systemsettings", "/usr/bin/systemsettings" }));
    ASSERT_EQ(desktop.messages.size(), 2);
    EXPECT_EQ(desktop.messages[0].text, "시스템 설정 프로그램을 찾을 수 없습니다.");
    EXPECT_TRUE(desktop.messages[0].detail.contains("gnome-control-center"));
    EXPECT_EQ(desktop.messages[1].text, "시스템 설정 프로그램을 시작하지 못했습니다.");
}

} // namespace
