#include "WindowFixture.h"

#include <QApplication>
#include <QWheelEvent>

namespace {

struct WiringTest : WindowFixture {
    void SetUp() override
    {
        start({ 1, 2, 3 });
        line.clear_outputs();
    }

    // Everything an operator can see change, and what went on the line.
    QStringList snapshot() const
    {
        QStringList s;
        for (const char* name : { "txtrecv", "Label", "Label1", "txt_port", "read_secret",
                 "read_address", "txtwrdata" })
            s.append(text(name));
        QString ticks;
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
            ticks += button->isCheckable() ? (button->isChecked() ? u'1' : u'0') : u'-';
        return s << ticks << line.outputs().join(u'|') << port_list().join(u'|')
                 << QString::number(line.open_port_number())
                 << QString::number(desktop.messages.size());
    }

    void activate()
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
};

TEST_F(WiringTest, ClickingDtrOrRtsChangesOnlyItsTick)
{
    for (const char* name : { "chkdtr", "chkrts" }) {
        const QStringList before = snapshot();
        auto* box = get<QCheckBox>(name);
        ASSERT_TRUE(box->isChecked());
        click(box);
        EXPECT_FALSE(box->isChecked());
        EXPECT_TRUE(line.dtr_enable() && line.rts_enable()) << "the lines stay on";
        box->setChecked(true);
        EXPECT_EQ(snapshot(), before) << name;
    }
}

TEST_F(WiringTest, ChoosingAnAddressChangesOnlyItsTextAndTheWheelOnlyAFocusedOne)
{
    activate();
    auto* address = get<QComboBox>("read_address");
    auto scroll_down = [&] {
        const QPointF at = address->rect().center();
        QWheelEvent wheel(at, address->mapToGlobal(at), {}, { 0, -120 }, Qt::NoButton, {},
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(address, &wheel);
    };
    const QStringList before = snapshot();
    // A scroll over the window must not move a write to another block.
    scroll_down();
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(address->hasFocus());

    address->setCurrentIndex(4);
    QStringList after = snapshot();
    EXPECT_EQ(after[5], "09");
    address->setFocus();
    scroll_down();
    EXPECT_EQ(text("read_address"), "10");
    after[5] = before[5];
    EXPECT_EQ(after, before);
}

TEST_F(WiringTest, TypingIntoTheFieldsAndClickingLabelsSendsAndShowsNothing)
{
    const QStringList before = snapshot();
    for (const char* name : { "read_secret", "txtwrdata", "txtrecv" })
        QTest::keyClicks(get(name), "COM2;");
    for (const char* name : { "Label", "Label1", "Label4", "Frame1", "comport" })
        click(get(name));
    QStringList after = snapshot();
    for (const int typed_into : { 0, 4, 6 })
        after[typed_into] = before[typed_into];
    EXPECT_EQ(after, before);
    EXPECT_EQ(state(), "");
}

TEST_F(WiringTest, SettingThePortTextFromCodeSwitchesBeforeTheNextStatement)
{
    window->set_port_text("COM2");
    EXPECT_EQ(line.open_port_number(), 2);
    EXPECT_EQ(ticked_option(), 2);
    EXPECT_EQ(text("Label"), "COM2 PORT ON");
}

TEST_F(WiringTest, TickingAnOptionFromCodeRunsItsClickOnce)
{
    ASSERT_EQ(ticked_option(), 1);
    line.set_comm_port(16); // as after a search, so that the click has work to do
    line.close_port();
    const auto attempts = line.open_attempts().size();
    window->tick_option(3);
    EXPECT_FALSE(option(1)->isChecked());
    EXPECT_EQ(line.open_attempts().size(), attempts + 1);
    EXPECT_EQ(line.open_port_number(), 3);
}

TEST_F(WiringTest, AnOperatorsClickOnAnOptionOpensItsPortOnce)
{
    const auto attempts = line.open_attempts().size();
    click(option(3));
    EXPECT_EQ(ticked_option(), 3);
    EXPECT_EQ(line.open_port_number(), 3);
    EXPECT_EQ(line.open_attempts().size(), attempts + 1);
    EXPECT_EQ(text("Label"), "COM3 PORT ON");
}

TEST_F(WiringTest, AClickOnTheTickedOptionAfterASearchOpensItAgain)
{
    press("cmd_port_search");
    ASSERT_FALSE(line.port_open());
    ASSERT_EQ(ticked_option(), 1);
    click(option(1));
    EXPECT_EQ(line.open_port_number(), 1);
    EXPECT_EQ(text("Label"), "COM1 PORT ON");
}

TEST_F(WiringTest, AClickOrAnArrowKeyOnTheListPutsTheEntryIntoThePortTextOnce)
{
    activate();
    auto* list = get<QListWidget>("list_port");
    ASSERT_EQ(port_list(), QStringList({ "COM1", "COM2", "COM3" }));
    const auto attempts = line.open_attempts().size();
    // Tabbing into the list chooses nothing.
    get("chkrts")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), list);
    EXPECT_EQ(line.open_attempts().size(), attempts);

    // Each move of the selection is one click: one switch of the port.
    const QList<std::pair<Qt::Key, int>> moves { { Qt::Key_Down, 2 }, { Qt::Key_Down, 3 },
        { Qt::Key_Up, 2 }, { Qt::Key_Home, 1 } };
    for (qsizetype move = 0; move < moves.size(); ++move) {
        QTest::keyClick(list, moves[move].first);
        EXPECT_EQ(text("txt_port"), QStringLiteral("COM%1").arg(moves[move].second));
        EXPECT_EQ(line.open_port_number(), moves[move].second);
        EXPECT_EQ(line.open_attempts().size(), attempts + move + 1);
    }
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    EXPECT_EQ(text("txt_port"), "COM3");
    EXPECT_EQ(line.open_port_number(), 3);
    EXPECT_EQ(line.open_attempts().size(), attempts + moves.size() + 1);
}

TEST_F(WiringTest, AMissingPortShowsTheMessageWhileTheWindowShowsTheChoice)
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
}

} // namespace
