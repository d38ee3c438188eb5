#include "FakeSerialControl.h"
#include "QtPrinters.h"
#include "RecordingPortPanel.h"

#include <gtest/gtest.h>

namespace {

const QString not_found = QStringLiteral("존제 하지 않는 통신포트 입니다.");

struct PortsTest : testing::Test {
    FakeSerialControl line;
    RecordingPortPanel panel { line };

    // The window after start-up's default opening, with COM1 open.
    void start_on_com1(QSet<int> existing = { 1, 2, 3, 4, 5, 6, 7, 8 })
    {
        line.set_existing_ports(std::move(existing));
        ASSERT_TRUE(panel.ops.open_default_port().ok());
        ASSERT_EQ(line.open_port_number(), 1);
    }
};

TEST_F(PortsTest, DefaultOpeningPutsTheLineSettingsAndTicksEverything)
{
    start_on_com1();
    EXPECT_EQ(line.settings(), "9600,n,8,1");
    EXPECT_EQ(line.rthreshold(), 1);
    EXPECT_EQ(line.input_mode(), SerialControl::comInputModeBinary);
    EXPECT_EQ(line.input_len(), 0);
    EXPECT_TRUE(line.dtr_enable() && line.rts_enable());
    EXPECT_TRUE(panel.dtr_ticked && panel.rts_ticked);
    EXPECT_EQ(panel.ticked, 1);
    EXPECT_EQ(panel.label, "9600,n,8,1");
    EXPECT_EQ(line.open_attempts(), QList<int>({ 1 })) << "the tick's click opened nothing";
}

TEST_F(PortsTest, TheCurrentPortOtherNamesAndTheDefaultOpeningSwitchNothing)
{
    start_on_com1({ 1, 2, 9, 12 });
    panel.click_option(2);
    panel.label = "echo";
    panel.dtr_ticked = panel.rts_ticked = false;
    const auto attempts = line.open_attempts();
    const int closes = line.close_count();

    panel.click_option(2);
    panel.type_port_text("COM2");
    for (const QString text :
        { "com1", "COM01", " COM1", "COM1 ", "COM12", "COM", "", "COM0", "COM-1", "COM１" })
        panel.type_port_text(text);
    panel.list = { "COM9", "COM10", "COM11", "COM12", "COM13", "COM14", "COM15", "COM16" };
    for (int row = 0; row < panel.list.size(); ++row) {
        panel.click_list_entry(row);
        EXPECT_EQ(panel.port_text(), panel.list[row]);
    }
    EXPECT_TRUE(panel.ops.open_default_port().ok());

    EXPECT_EQ(line.open_port_number(), 2);
    EXPECT_EQ(line.comm_port(), 2);
    EXPECT_EQ(panel.ticked, 2);
    EXPECT_EQ(line.open_attempts(), attempts);
    EXPECT_EQ(line.close_count(), closes);
    EXPECT_EQ(panel.label, "echo");
    EXPECT_FALSE(panel.dtr_ticked || panel.rts_ticked);
}

TEST_F(PortsTest, TypingCom12PassesThroughCom1)
{
    start_on_com1();
    panel.click_option(3);
    panel.type_port_text("");
    for (const QString text : { "C", "CO", "COM", "COM1" })
        panel.type_port_text(text);
    EXPECT_EQ(line.open_port_number(), 1);
    EXPECT_EQ(panel.label, "COM1 PORT ON");

    panel.type_port_text("COM12");
    EXPECT_EQ(line.open_port_number(), 1);
    EXPECT_EQ(panel.ticked, 1);
}

TEST_F(PortsTest, AMissingPortIsReportedOnceThenComOneIsOpen)
{
    start_on_com1({ 1, 2 });
    panel.label = "echo";
    panel.dtr_ticked = panel.rts_ticked = false;
    panel.click_option(6);

    ASSERT_EQ(panel.messages.size(), 1);
    const auto& box = panel.messages.front();
    EXPECT_EQ(box.text, not_found);
    EXPECT_EQ(box.detail, "COM6: No such file or directory");
    // While the box is up the window shows the port that failed; after it, the default port.
    EXPECT_FALSE(box.port_open);
    EXPECT_EQ(box.ticked, 6);
    EXPECT_EQ(box.label, "COM6 PORT ON");
    EXPECT_EQ(line.open_port_number(), 1);
    EXPECT_EQ(panel.ticked, 1);
    EXPECT_EQ(panel.label, "9600,n,8,1");
    EXPECT_TRUE(panel.dtr_ticked && panel.rts_ticked);
}

TEST_F(PortsTest, WhenComOneFailsTooTheOperatorGetsOneBoxAndTheReasonInTheLabel)
{
    start_on_com1({ 1 });
    line.set_busy_ports({ 1 });
    panel.click_option(4);

    EXPECT_EQ(panel.messages.size(), 1);
    EXPECT_FALSE(line.port_open());
    EXPECT_EQ(panel.ticked, 1);
    EXPECT_EQ(panel.label,
        "COM1 포트를 열 수 없습니다: COM1: Device or resource busy — 다른 "
        "프로그램이 이 포트를 사용하고 있습니다");

    // The window stays usable: a port that exists opens later.
    line.set_existing_ports({ 1, 3 });
    line.set_busy_ports({});
    panel.click_option(3);
    EXPECT_EQ(line.open_port_number(), 3);
    EXPECT_EQ(panel.label, "COM3 PORT ON");
}

TEST_F(PortsTest, SearchesProbeOneToSixteenListThoseThatOpenAndEndClosed)
{
    const struct {
        const char* name;
        QSet<int> existing;
        QSet<int> busy;
        QStringList listed;
        bool com1_open = false;
    } cases[] = {
        { "none", {}, {}, {} },
        { "one and three", { 1, 3 }, {}, { "COM1", "COM3" } },
        { "COM1 open", { 1, 3 }, {}, { "COM1", "COM3" }, true },
        { "busy left out", { 1, 2, 3 }, { 2 }, { "COM1", "COM3" } },
        { "two digits", { 5, 9, 16, 12 }, {}, { "COM5", "COM9", "COM12", "COM16" } },
        { "beyond sixteen", { 17, 20 }, {}, {} },
    };
    const QList<int> one_to_sixteen { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16 };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSerialControl line;
        RecordingPortPanel panel { line };
        line.set_existing_ports(c.existing);
        if (c.com1_open) {
            ASSERT_TRUE(panel.ops.open_default_port().ok());
            panel.type_port_text("COM1");
            panel.list = { "stale" };
        }
        line.set_busy_ports(c.busy);
        const int ticked = panel.ticked;
        const QString label = panel.label;
        for (int search = 0; search < 2; ++search) {
            const qsizetype before = line.open_attempts().size();
            panel.ops.search_ports();
            EXPECT_EQ(line.open_attempts().mid(before), one_to_sixteen);
            EXPECT_EQ(panel.list, c.listed);
            EXPECT_FALSE(line.port_open());
            EXPECT_EQ(line.comm_port(), 16);
            EXPECT_EQ(panel.port_text(), "");
            EXPECT_EQ(panel.ticked, ticked);
            EXPECT_EQ(panel.label, label);
            EXPECT_TRUE(panel.messages.isEmpty());
        }
    }
}

TEST_F(PortsTest, AfterASearchAnyChoiceOpensItsPortTheTickedOneToo)
{
    start_on_com1({ 1, 2, 3 });
    panel.ops.search_ports();
    panel.click_option(1); // ticked already, and still opens
    EXPECT_EQ(line.open_port_number(), 1);
    EXPECT_EQ(panel.label, "COM1 PORT ON");

    panel.ops.search_ports();
    panel.click_list_entry(1);
    EXPECT_EQ(line.open_port_number(), 2);

    panel.ops.search_ports();
    panel.type_port_text("COM3");
    EXPECT_EQ(line.open_port_number(), 3);
}

TEST_F(PortsTest, ALostPortIsOpenedAgainByItsListEntryThoughTxtPortNamesItAlready)
{
    start_on_com1();
    panel.list = { "COM1" };
    panel.click_list_entry(0);
    line.unplug();
    panel.click_list_entry(0);
    EXPECT_EQ(line.open_port_number(), 1);
    EXPECT_EQ(panel.label, "COM1 PORT ON");
    panel.click_list_entry(0); // found again: the current port is left alone
    EXPECT_EQ(line.open_attempts(), QList<int>({ 1, 1 }));
}

} // namespace
