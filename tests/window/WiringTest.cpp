#include "WindowFixture.h"

#include <QSignalSpy>
#include <QTest>

namespace {

struct WiringTest : WindowFixture {
    void SetUp() override
    {
        start({ 1, 2, 3 });
        line.clear_outputs();
    }

    // Everything an operator can see change, and what went on the line.
    struct Snapshot {
        QStringList texts;
        QList<bool> ticks;
        QStringList outputs;
        QStringList list;
        int open_port;
        int messages;
        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };
    Snapshot snapshot() const
    {
        Snapshot s;
        for (const char* name : { "txtrecv", "Label", "Label1", "txt_port", "read_secret",
                 "read_address", "txtwrdata" })
            s.texts.append(text(name));
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
            if (button->isCheckable())
                s.ticks.append(button->isChecked());
        }
        s.outputs = line.outputs();
        s.list = port_list();
        s.open_port = line.open_port();
        s.messages = int(desktop.messages.size());
        return s;
    }
};

TEST_F(WiringTest, ClickingDtrOrRtsChangesOnlyItsTick)
{
    for (const char* name : { "chkdtr", "chkrts" }) {
        Snapshot before = snapshot();
        auto* box = get<QCheckBox>(name);
        ASSERT_TRUE(box->isChecked());
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_FALSE(box->isChecked());
        EXPECT_TRUE(line.dtr_enable() && line.rts_enable()) << "the lines stay on";
        box->setChecked(true);
        EXPECT_EQ(snapshot(), before) << name;
    }
}

TEST_F(WiringTest, ChoosingAnAddressChangesOnlyItsText)
{
    Snapshot before = snapshot();
    auto* combo = get<QComboBox>("read_address");
    combo->setCurrentIndex(4);
    EXPECT_EQ(combo->currentText(), "09");
    Snapshot after = snapshot();
    after.texts[5] = before.texts[5];
    EXPECT_EQ(after, before);
}

TEST_F(WiringTest, TypingIntoTheFieldsAndClickingLabelsRunsNothing)
{
    Snapshot before = snapshot();
    for (const char* name : { "read_secret", "txtwrdata", "txtrecv" })
        QTest::keyClicks(get(name), "COM2;");
    for (const char* name : { "Label", "Label1", "Label4", "Frame1", "comport" })
        QTest::mouseClick(get(name), Qt::LeftButton);
    Snapshot after = snapshot();
    EXPECT_EQ(after.outputs, before.outputs);
    EXPECT_EQ(after.open_port, before.open_port);
    EXPECT_EQ(after.ticks, before.ticks);
    EXPECT_EQ(text("Label"), before.texts[1]);
    EXPECT_EQ(text("Label1"), before.texts[2]);
    EXPECT_EQ(window->commands().cmd_state(), "");
}

TEST_F(WiringTest, SettingThePortTextFromCodeSwitchesBeforeTheNextStatement)
{
    window->set_port_text("COM2");
    EXPECT_EQ(line.open_port(), 2);
    EXPECT_EQ(ticked_option(), 2);
    EXPECT_EQ(text("Label"), "COM2 PORT ON");
}

TEST_F(WiringTest, TickingAnOptionFromCodeRunsItsClickOnce)
{
    ASSERT_EQ(ticked_option(), 1);
    line.set_comm_port(16); // as after a search, so that the click has work to do
    (void)line.set_port_open(false);
    const auto attempts = line.open_attempts().size();
    window->tick_option(3);
    EXPECT_FALSE(option(1)->isChecked());
    EXPECT_EQ(line.open_attempts().size(), attempts + 1);
    EXPECT_EQ(line.open_port(), 3);
}

TEST_F(WiringTest, AnOperatorsClickOnAnOptionOpensItsPortOnce)
{
    const auto attempts = line.open_attempts().size();
    QTest::mouseClick(option(3), Qt::LeftButton);
    EXPECT_EQ(ticked_option(), 3);
    EXPECT_EQ(line.open_port(), 3);
    EXPECT_EQ(line.open_attempts().size(), attempts + 1);
    EXPECT_EQ(text("Label"), "COM3 PORT ON");
}

TEST_F(WiringTest, AClickOnTheTickedOptionAfterASearchOpensItAgain)
{
    press("cmd_port_search");
    ASSERT_FALSE(line.port_open());
    ASSERT_EQ(ticked_option(), 1);
    QTest::mouseClick(option(1), Qt::LeftButton);
    EXPECT_EQ(line.open_port(), 1);
    EXPECT_EQ(text("Label"), "COM1 PORT ON");
}

TEST_F(WiringTest, AClickOnAListEntryPutsItIntoThePortText)
{
    auto* list = get<QListWidget>("list_port");
    ASSERT_EQ(port_list(), QStringList({ "COM1", "COM2", "COM3" }));
    const QRect entry = list->visualItemRect(list->item(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    EXPECT_EQ(text("txt_port"), "COM3");
    EXPECT_EQ(line.open_port(), 3);
}

TEST_F(WiringTest, AMissingPortShowsTheMessageWhileTheWindowShowsTheChoice)
{
    QString label_while_up;
    int tick_while_up = 0;
    bool open_while_up = true;
    desktop.on_message = [&] {
        label_while_up = text("Label");
        tick_while_up = ticked_option();
        open_while_up = line.port_open();
    };
    QTest::mouseClick(option(7), Qt::LeftButton);

    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_EQ(desktop.messages[0].title, "NOVARD Read/Write DEMO");
    EXPECT_EQ(desktop.messages[0].text, "존제 하지 않는 통신포트 입니다.");
    EXPECT_EQ(desktop.messages[0].detail, "COM7: No such file or directory");
    EXPECT_EQ(label_while_up, "COM7 PORT ON");
    EXPECT_EQ(tick_while_up, 7);
    EXPECT_FALSE(open_while_up);
    EXPECT_EQ(line.open_port(), 1);
    EXPECT_EQ(ticked_option(), 1);
    EXPECT_EQ(text("Label"), "9600,n,8,1");
}

TEST_F(WiringTest, DataFromTheLineReachesTheLogThroughOnComm)
{
    line.receive(QByteArray("\x06\x0d", 2));
    EXPECT_EQ(text("txtrecv"), "[ACK][CR]");
    line.raise_event(SerialControl::comEventFrame);
    EXPECT_EQ(text("txtrecv"), "[ACK][CR]");
}

} // namespace
