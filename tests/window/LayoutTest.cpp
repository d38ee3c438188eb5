#include "ControlTable.h"
#include "ReceiveLog.h"
#include "WindowFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>

namespace {

struct Expected {
    const char* name;
    const char* kind;
    const char* container;
    const char* caption;
    QRect geometry; // pixels, at 15 twips to the pixel
};

// Anchors from each frame; the tab order test below visits every field in turn.
const Expected layout[] = {
    { "txtrecv", "QLineEdit", "main", "", { 16, 40, 721, 18 } },
    { "Frame3", "QGroupBox", "main", "검색 통신포트", { 264, 168, 121, 177 } },
    { "chkrts", "QCheckBox", "Frame2", "RTS", { 16, 48, 49, 17 } },
    { "list_port", "ListBox", "Frame3", "", { 16, 48, 89, 112 } },
    { "Optcom5", "QRadioButton", "comport", "COM5", { 88, 24, 65, 17 } },
    { "cmdeditwrite", "QPushButton", "Frame1", "수정발행", { 176, 56, 153, 25 } },
    { "read_address", "QComboBox", "Frame4", "Combo1", { 136, 24, 185, 20 } },
    { "Label4", "QLabel", "Frame4", "Address : 02 - 63", { 16, 24, 105, 17 } },
    { "cmd_control_board", "QPushButton", "Frame5", "시스템등록정보", { 16, 48, 153, 25 } },
};

struct LayoutTest : WindowFixture {
    void SetUp() override { create(); }

    QString caption_of(QWidget* widget) const
    {
        if (auto* frame = qobject_cast<QGroupBox*>(widget))
            return frame->title();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            return button->text();
        return widget->inherits("QListWidget") ? QString() : text(qPrintable(widget->objectName()));
    }
};

TEST_F(LayoutTest, EveryControlHasItsNameKindContainerCaptionAndPlace)
{
    for (const Expected& row : layout) {
        SCOPED_TRACE(row.name);
        QWidget* widget = get(row.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), row.kind);
        EXPECT_EQ(widget->parentWidget()->objectName(), row.container);
        EXPECT_EQ(caption_of(widget), QString::fromUtf8(row.caption));
        EXPECT_EQ(widget->geometry(), row.geometry);
        EXPECT_EQ(window->findChildren<QWidget*>(row.name).size(), 1) << "one control per name";
    }
}

TEST_F(LayoutTest, TabVisitsTheFieldsInOrderWithTheOptionsAsOneStop)
{
    start({ 1 });
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(QApplication::focusWidget(), get("txtrecv"));

    QStringList visited;
    for (int press = 0; press < 15; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        // The combo box's text field stands for the combo box.
        if (qobject_cast<QComboBox*>(focus->parentWidget()))
            focus = focus->parentWidget();
        visited.append(focus->objectName());
    }
    EXPECT_EQ(visited,
        QStringList({ "chkdtr", "chkrts", "list_port", "Optcom1", "cmdeditwrtest", "cmd_read",
            "cmdwrite", "cmdeditwrite", "read_secret", "read_address", "txtwrdata", "cmderase",
            "cmd_port_search", "cmd_control_board", "txtrecv" }));
}

TEST_F(LayoutTest, CaptionSizeColoursAndControlSettings)
{
    EXPECT_EQ(window->windowTitle(), "NOVARD Read/Write DEMO 2008년2월15일");
    EXPECT_EQ(window->size(), QSize(749, 357));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_TRUE(QFontInfo(window->font()).family().contains("Nanum")
        || QFontDatabase::families(QFontDatabase::Korean).isEmpty());
    for (const char* name : { "Label", "Label1" }) {
        EXPECT_TRUE(get<QLabel>(name)->autoFillBackground()) << name;
        EXPECT_EQ(get<QLabel>(name)->palette().color(QPalette::Window), QColor(255, 192, 128));
    }
    // Operator text shown in a label is never taken for markup.
    for (const char* name : { "Label", "Label1", "Label4", "Label5", "Label10" })
        EXPECT_EQ(get<QLabel>(name)->textFormat(), Qt::PlainText) << name;
    // No button answers Enter or Esc.
    for (QPushButton* button : window->findChildren<QPushButton*>())
        EXPECT_FALSE(button->isDefault() || button->autoDefault())
            << button->objectName().toStdString();
    // The box holds the whole bounded log.
    EXPECT_EQ(get<QLineEdit>("txtrecv")->maxLength(), receive_log_capacity);
    EXPECT_FALSE(get<QLineEdit>("txtrecv")->isReadOnly());
}

TEST_F(LayoutTest, EveryControlHasTheAccessibleNameAScreenReaderAnnounces)
{
    start({ 1 });
    auto name_of = [](QWidget* widget, QAccessible::Text text = QAccessible::Name) {
        return QAccessible::queryAccessibleInterface(widget)->text(text);
    };
    // Captioned controls by their captions, fields by their purpose, status lines by what they
    // show.
    for (const ControlRow& row : control_table()) {
        QWidget* widget = window->findChild<QWidget*>(row.name);
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            widget = combo->lineEdit(); // announced by its text field, which has the focus
        if (widget != nullptr) {
            EXPECT_FALSE(
                name_of(widget).isEmpty() && name_of(widget, QAccessible::Description).isEmpty())
                << row.name;
        }
    }
    EXPECT_EQ(name_of(get("Frame3")), "검색 통신포트");
    EXPECT_EQ(name_of(get("Optcom5")), "COM5");
    EXPECT_EQ(name_of(get("txtrecv")), "수신 데이터");
    EXPECT_EQ(name_of(get<QComboBox>("read_address")->lineEdit()), "블록 주소");
    EXPECT_EQ(name_of(get("cmd_read")), "읽기");
    EXPECT_EQ(name_of(get("Label")), "9600,n,8,1");
    EXPECT_EQ(name_of(get("Label1"), QAccessible::Description), "카드 처리 상태");
}

} // namespace
