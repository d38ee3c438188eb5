// The window on the scripted line, driven by clicks and key presses: its layout, the card commands
// from the operator's side, the log, and all of it in English.

#include "Language.h"
#include "QtDesktop.h"
#include "QtPrinters.h"
#include "TraceWarning.h"
#include "WindowRig.h"
#include "WireTrace.h"

#include <QClipboard>
#include <QFile>
#include <QGroupBox>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>

namespace {

TEST_F(WindowTest, IsLaidOutReachedAndFilledAsTheOperatorKnowsItAndSendsNothingUnasked)
{
    // Without a font that has Hangul (fonts-nanum, which the tests need) the captions are boxes.
    EXPECT_TRUE(QFontMetrics(window->font()).inFont(u'한')) << "no Korean font";
    // Operator text shown in a label is never taken for markup; no button answers Enter or Esc.
    for (const QLabel* label : window->findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    for (const QPushButton* button : window->findChildren<QPushButton*>())
        EXPECT_FALSE(button->isDefault() || button->autoDefault());

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

    // Fields by their purpose (captioned controls by their captions, as Qt names them), status
    // lines by what they show; the combo box is announced by its text field, which has the focus.
    EXPECT_EQ(accessible(get("txtrecv")), "수신 데이터");
    EXPECT_EQ(accessible(get<QComboBox>("read_address")->lineEdit()), "블록 주소");
    EXPECT_EQ(accessible(get("Label1"), QAccessible::Description), "카드 처리 상태");

    // The fields start filled; typing or clicking elsewhere sends nothing.
    auto* address = get<QComboBox>("read_address");
    EXPECT_EQ(address->itemText(3) + address->itemText(44), "0862") << "trailer block 07 left out";

    // A scroll over the window must not move a write to another block; over the focused box it may.
    for (const bool focused : { false, true }) {
        if (focused)
            address->setFocus();
        const QPointF at = address->rect().center();
        QWheelEvent wheel(at, address->mapToGlobal(at), {}, { 0, -120 }, Qt::NoButton, {},
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(address, &wheel);
        EXPECT_EQ(text("read_address"), focused ? "05" : "04");
    }
    type_into("read_address", "1");
    EXPECT_EQ(text("read_address"), "1") << "typing completes nothing";
    QTest::keyClick(address->lineEdit(), Qt::Key_Down);
    EXPECT_EQ(text("read_address"), "06") << "a key down still chooses the next entry";

    for (const char* name : { "read_secret", "txtwrdata", "txtrecv" })
        type_into(name, "COM2;");
    EXPECT_TRUE(get<QCheckBox>("chkdtr")->isChecked() && get<QCheckBox>("chkrts")->isChecked());
    for (const char* name :
        { "chkdtr", "chkrts", "Label", "Label1", "Label4", "Frame1", "comport" })
        click(get(name));
    EXPECT_TRUE(line.dtr_enable() && line.rts_enable()) << "the lines stay on";
    EXPECT_TRUE(line.outputs().isEmpty());
    EXPECT_EQ(ports(), "COM1, option 1, 'COM1', 9600,n,8,1");
}

TEST_F(WindowTest, ButtonsSendTheTypedFieldsAsOneFrameEachAndTestPatternsCycle)
{
    type_into("read_address", " 63 "); // typed, not in the list, and not added to it
    type_into("txtwrdata", "<b>카</b><img> "); // Hangul in CP949, "카" C4 AB
    for (const auto& [button, body] : { std::pair("cmd_read", "R63;730914"),
             std::pair("cmdwrite", "N63;730914;<b>\xC4\xAB</b><img>"),
             std::pair("cmdeditwrite", "W63;730914;<b>\xC4\xAB</b><img>") }) {
        SCOPED_TRACE(button);
        line.clear_outputs();
        click(get(button));
        EXPECT_EQ(line.outputs(), QByteArrayList({ "\x02", body, "\x03" }));
    }
    QTest::keyClick(get<QComboBox>("read_address")->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(get<QComboBox>("read_address")->count(), 45);
    EXPECT_EQ(text("Label"),
        "[STX] W 63 ; 730914 ; <b>카</b><img> (3C 62 3E C4 AB 3C 2F 62 3E 3C 69 6D 67 3E) [ETX] "
        "수정 카드 발행 입니다.");
    EXPECT_EQ(text("txtwrdata"), "<b>카</b><img> ") << "the field keeps its untrimmed text";

    // The test patterns cycle, and a send does not restart them.
    QStringList patterns;
    for (const char* button : { "cmdeditwrtest", "cmdeditwrtest", "cmdeditwrtest", "cmdeditwrtest",
             "cmdwrite", "cmdeditwrtest" }) {
        press(button);
        patterns.append(text("txtwrdata"));
    }
    EXPECT_EQ(patterns.join(' '),
        "1234567890123456 0000000000000000 5555555555555555 1234567890123456 1234567890123456 "
        "0000000000000000");
}

TEST_F(WindowTest, RepliesMoveTheMessagesAndTheLogTheClearButtonEmptiesItAndAFailedSendSaysWhy)
{
    press("cmdeditwrite");
    line.receive("\x06");
    line.receive("\r0123456789ABCDEF\r");
    EXPECT_EQ(text("Label1"), "카드 수정 완료");
    EXPECT_TRUE(wait_for([&] { return text("txtrecv") == "[ACK][CR]0123456789ABCDEF[CR]"; }));

    // A read empties the log; a step without a message leaves Label1.
    press("cmd_read");
    line.receive("\x06\x0d\x18");
    EXPECT_EQ(window->log_text(), "[ACK][CR][CAN]");
    EXPECT_EQ(text("Label1"), "읽기 명령 전송 완료 -> 카드를 대어 주세요");
    line.receive("\x0d");
    EXPECT_EQ(text("Label1"), "읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)");

    press("cmderase");
    EXPECT_TRUE(wait_for([&] { return text("txtrecv").isEmpty(); }));
    EXPECT_EQ(text("Label") + '|' + text("Label1"),
        "|읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)");

    // Eight Hangul fill a block in CP949. Too long data, a character CP949 lacks, nine Hangul,
    // text that would change the frame (pasted STX, a key holding ';'), or a write refused
    // mid-frame, sends no more and says why.
    type_into("txtwrdata", "가나다라마바사아");
    line.clear_outputs();
    press("cmdwrite");
    EXPECT_EQ(line.outputs().value(1).size(), 27) << "N04;730914; and 16 bytes";
    line.clear_outputs();
    for (const char* data : { "12345678901234567", "카드😀", "가나다라마바사아자" }) {
        type_into("txtwrdata", QString::fromUtf8(data));
        press("cmdwrite");
    }
    QApplication::clipboard()->setText("\x02N08;730914;EVIL");
    type_into("txtwrdata", ""); // pasted over all of it
    QTest::keyClick(get("txtwrdata"), Qt::Key_V, Qt::ControlModifier);
    press("cmdwrite");
    // A device pulled out mid-frame: the rest is not sent and the reason is told.
    line.outputs_before_refusal = 1;
    press("cmd_read");
    type_into("read_secret", "730914;EVIL");
    press("cmdeditwrite");
    EXPECT_EQ(desktop.boxes,
        QStringList({ "16자를 초과 했습니다",
            "“😀” (U+1F600) 문자는 CP949 인코딩으로 카드에 쓸 수 없습니다. 보내지 않았습니다.",
            "발행번호 칸의 9자는 CP949 인코딩으로 18바이트입니다. 블록에는 16바이트까지 "
            "들어갑니다. 보내지 않았습니다.",
            "발행번호 칸에 제어 문자가 있습니다([STX]). 보내지 않았습니다.",
            "통신포트로 명령을 보내지 못했습니다. 통신포트를 확인하십시오. | COM1: "
            "입력/출력 오류",
            "Key A 칸에는 필드를 나누는 ';'를 넣을 수 없습니다. 보내지 않았습니다." }));
    EXPECT_EQ(line.outputs(), QByteArrayList { "\x02" });
    EXPECT_EQ(window->commands().cmd_state(), "new");
}

// Only the log's end is held and drawn from a cache, which the operator never sees: the box paints
// as a plain box holding the whole log, without the focus and with it, and whatever the operator
// reaches into is the whole log.
TEST_F(WindowTest, TheLogBoxPaintsAsAPlainBoxHoldingTheWholeLogAndIsWholeOnceClickedInto)
{
    auto* box = get<QLineEdit>("txtrecv");
    QLineEdit plain(window.get());
    plain.setGeometry(box->geometry().translated(0, window->height()));
    // Whole pixels to each character, so that a text laid out from another first character still
    // lands on the same pixels.
    QFont font = box->font();
    font.setHintingPreference(QFont::PreferFullHinting);
    box->setFont(font);
    plain.setFont(font);
    plain.show();
    // A cursor that blinks would make two paints of one state differ.
    const int flash_time = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);

    click(get("txtwrdata"));
    line.receive(QByteArray(2000, '0') + "123456789");
    ASSERT_TRUE(wait_for([&] { return box->text().endsWith("789"); }));
    plain.setText(window->log_text());
    EXPECT_LT(box->text().size(), window->log_text().size()) << "only the end is held";
    EXPECT_TRUE(box->grab().toImage() == plain.grab().toImage()) << "without the focus";

    box->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(box->text(), window->log_text());
    const QImage focused = box->grab().toImage();
    plain.setFocus(Qt::OtherFocusReason);
    EXPECT_TRUE(plain.grab().toImage() == focused) << "with the focus";
    QApplication::setCursorFlashTime(flash_time);

    // Bytes that come while the focus is elsewhere show at the end again.
    click(get("txtwrdata"));
    line.receive("\x15");
    EXPECT_TRUE(wait_for([&] {
        return box->text().endsWith("[NAK]") && box->text().size() < window->log_text().size();
    }));
    // A click near the right end puts the cursor near the log's end, as the operator saw it; bytes
    // that come while the box has the focus are added to the whole log.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 20, box->height() / 2));
    EXPECT_EQ(box->text(), window->log_text());
    EXPECT_GT(box->cursorPosition(), window->log_text().size() - 8);
    line.receive("\x06");
    EXPECT_TRUE(wait_for([&] { return box->text() == window->log_text(); }));
}

// Every text a screen reader finds in a window, its children's too.
QString accessible_texts(QAccessibleInterface* node)
{
    QString texts = node->text(QAccessible::Name) + node->text(QAccessible::Description)
        + node->text(QAccessible::Value);
    for (int i = 0; i < node->childCount(); ++i)
        texts += u'\n' + accessible_texts(node->child(i));
    return texts;
}

// English replaces every Korean caption, message, echo, box and screen-reader text; what goes on
// the line and what came back from it read the same in both. In both languages the window keeps
// its size and each caption is whole in its control by the font's measure, Label1 with a longest
// message.
TEST(Language, EnglishReplacesEveryKoreanTextEachCaptionFitsItsControlAndQtFollows)
{
    for (const Language language : { Language::korean, Language::english }) {
        const bool english = language == Language::english;
        SCOPED_TRACE(english ? "English" : "Korean");
        use_language(language);
        WindowRig rig({ 1, 2 });
        rig.window->load();
        rig.window->show();
        for (const auto& [button, reply] :
            { std::pair("cmdwrite", "\x06\x0d\x0d"), std::pair("cmd_read", "\x06\x0d\x18\x0d"),
                std::pair("cmdeditwrite", "\x06\x0d") }) {
            rig.press(button);
            rig.line.receive(reply);
            EXPECT_FALSE(english
                && accessible_texts(QAccessible::queryAccessibleInterface(rig.window.get()))
                       .contains(QRegularExpression(QStringLiteral("\\p{Hangul}"))))
                << button;
        }
        EXPECT_EQ(rig.text("Label") + rig.window->log_text(),
            QStringLiteral("[STX] W 04 ; 730914 ;  [ETX] %1[ACK][CR][CAN][CR][ACK][CR]")
                .arg(english ? "Modifying a card." : "수정 카드 발행 입니다."));
        rig.click(rig.option(7));
        for (QWidget* widget : rig.window->findChildren<QWidget*>()) {
            const auto* box = qobject_cast<QGroupBox*>(widget);
            // A label or a button wants its caption's width and its margins, a frame its title's.
            if (widget->objectName() != "Label"
                && (box || qobject_cast<QLabel*>(widget)
                    || qobject_cast<QAbstractButton*>(widget))) {
                EXPECT_LE(box ? box->minimumSizeHint().width() : widget->sizeHint().width(),
                    widget->width())
                    << widget->objectName().toStdString();
            }
        }
        EXPECT_EQ(QStringList({ rig.window->windowTitle(), rig.text("Label1"),
                      rig.desktop.boxes.join(u'/') }),
            english
                ? QStringList({ "NOVARD Read/Write DEMO 15 February 2008",
                    "Modify command sent -> please present the card",
                    "This port cannot be opened. | COM7: No such file or directory" })
                : QStringList({ "NOVARD Read/Write DEMO 2008년2월15일",
                    "수정 명령 전송 완료 -> 카드를 대어 주세요",
                    "존제 하지 않는 통신포트 입니다. | COM7: 그런 파일이나 디렉터리가 없습니다" }));
    }

    // Qt's own texts follow the language: a box's button reads as Korean desktops show it.
    use_language(Language::korean);
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ko.qm"))
        GTEST_SKIP() << "Qt's Korean texts (qt6-translations-l10n) are not installed";
    QString button;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        button = box->button(QMessageBox::Ok)->text();
        box->accept();
    });
    QtDesktop().show_message(nullptr, MainWindow::app_title(), "text", {});
    EXPECT_EQ(button, "확인");
}

// A port that does not open, named as the manual recommends: in both languages only its path gives
// way, in its middle, so that the reason and the fix stay in view, and the tooltip and the trace
// hold it whole. A box with a short text keeps room for its whole title.
TEST(Language, ALongDevicePathGivesWayToTheReasonAndTheFixAndABoxToItsTitle)
{
    const QString by_id = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    for (const Language language : { Language::korean, Language::english }) {
        const bool english = language == Language::english;
        SCOPED_TRACE(english ? "English" : "Korean");
        use_language(language);
        // The trace outlives the window, which may still tell it of the line as it closes.
        const QTemporaryDir folder;
        WireTrace trace;
        ASSERT_TRUE(trace.open(QFile::encodeName(folder.filePath("wire.trace"))));
        WindowRig rig({ 1 });
        rig.line.devices.insert(1, by_id);
        rig.line.refusals.insert(1, CommResult::Kind::permission);
        trace_window(trace, rig.line, *rig.window);
        rig.window->load();
        const auto* label = rig.window->findChild<QLabel*>("Label");
        const QString whole = label->toolTip(), shown = label->text();
        QFile traced(folder.filePath("wire.trace"));
        ASSERT_TRUE(traced.open(QIODevice::ReadOnly));
        EXPECT_TRUE(QString::fromUtf8(traced.readAll()).contains(" label " + whole + '\n'))
            << whole.toStdString();
        const qsizetype path_at = whole.indexOf(by_id);
        EXPECT_TRUE(path_at > 0 && whole.endsWith(english ? "log in again" : "로그인하십시오"));
        EXPECT_TRUE(shown.startsWith(whole.left(path_at))
            && shown.endsWith(whole.mid(path_at + by_id.size())) && shown.contains(u'…'))
            << shown.toStdString();
        EXPECT_LE(label->sizeHint().width(), label->width()) << shown.toStdString();

        int width = 0, room = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            width = box->width();
            room = QtDesktop::title_room(box->windowTitle(), box->font());
            box->accept();
        });
        QtDesktop().show_message(rig.window.get(), MainWindow::app_title(), "OK", {});
        EXPECT_GE(width, room);
    }
    // Back to the default, which the tests after this one read.
    use_language(Language::korean);
}

} // namespace
