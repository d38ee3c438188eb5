#include "FakeSerialControl.h"
#include "QtPrinters.h"
#include "RecordingPortPanel.h"

#include <gtest/gtest.h>

namespace {

const QString not_found = QStringLiteral("존제 하지 않는 통신포트 입니다.");

// A window that has come through start-up's default opening with COM1 open.
struct PortsTest : testing::Test {
    FakeSerialControl line;
    RecordingPortPanel panel { line };

    void start_on_com1(QSet<int> existing = { 1, 2, 3, 4, 5, 6, 7, 8 })
    {
        line.set_existing_ports(std::move(existing));
        ASSERT_TRUE(panel.ops.open_default_port().ok());
        ASSERT_EQ(line.open_port(), 1);
    }
};

TEST_F(PortsTest, DefaultOpeningPutsTheLineSettingsAndTicksEverything)
{
    start_on_com1();
    EXPECT_EQ(line.settings(), "9600,n,8,1");
    EXPECT_EQ(line.rthreshold(), 1);
    EXPECT_EQ(line.input_mode(), SerialControl::comInputModeBinary);
    EXPECT_EQ(line.input_len(), 0);
    EXPECT_TRUE(line.dtr_enable());
    EXPECT_TRUE(line.rts_enable());
    EXPECT_TRUE(panel.dtr_ticked);
    EXPECT_TRUE(panel.rts_ticked);
    EXPECT_EQ(panel.ticked, 1);
    EXPECT_EQ(panel.label, "9600,n,8,1");
    // The tick of Optcom1 ran its click, which found port 1 chosen already and opened nothing.
    EXPECT_EQ(panel.option_clicks, 1);
    EXPECT_EQ(line.open_attempts(), QList<int>({ 1 }));
}

TEST_F(PortsTest, DefaultOpeningWithAPortOpenTouchesNothing)
{
    start_on_com1();
    panel.click_option(3);
    panel.label = "echo";
    panel.dtr_ticked = panel.rts_ticked = false;
    const auto attempts = line.open_attempts();

    EXPECT_TRUE(panel.ops.open_default_port().ok());
    EXPECT_EQ(line.open_port(), 3);
    EXPECT_EQ(line.comm_port(), 3);
    EXPECT_EQ(panel.ticked, 3);
    EXPECT_EQ(panel.label, "echo");
    EXPECT_FALSE(panel.dtr_ticked);
    EXPECT_EQ(line.open_attempts(), attempts);
}

TEST_F(PortsTest, ChoosingTheCurrentPortNeitherClosesNorReopensIt)
{
    start_on_com1();
    panel.label = "echo";
    panel.click_option(1);
    panel.type_port_text("COM1");
    EXPECT_EQ(line.open_port(), 1);
    EXPECT_EQ(line.close_count(), 0);
    EXPECT_EQ(line.open_attempts().size(), 1);
    EXPECT_EQ(panel.label, "echo");
}

TEST_F(PortsTest, SwitchingClosesTheOldPortAndShowsTheNewOne)
{
    start_on_com1();
    panel.click_option(5);
    EXPECT_EQ(line.open_port(), 5);
    EXPECT_EQ(line.close_count(), 1);
    EXPECT_EQ(panel.ticked, 5);
    EXPECT_EQ(panel.label, "COM5 PORT ON");
    EXPECT_TRUE(panel.messages.isEmpty());
    // The port keeps the settings put by the default opening.
    EXPECT_EQ(line.settings(), "9600,n,8,1");
    EXPECT_EQ(line.rthreshold(), 1);
}

TEST_F(PortsTest, ATextSwitchTicksTheOptionWithoutASecondOpen)
{
    start_on_com1();
    panel.type_port_text("COM4");
    EXPECT_EQ(line.open_port(), 4);
    EXPECT_EQ(panel.ticked, 4);
    EXPECT_EQ(panel.label, "COM4 PORT ON");
    EXPECT_EQ(line.open_attempts(), QList<int>({ 1, 4 }));
}

TEST_F(PortsTest, OnlyTheExactNamesOfTheEightOptionsSelectAPort)
{
    const QStringList texts { "com1", "COM01", " COM1", "COM1 ", "COM9", "COM12", "COM", "", "COM0",
        "COM-1", "COM１" };
    for (const QString& text : texts) {
        FakeSerialControl line;
        RecordingPortPanel panel { line };
        line.set_existing_ports({ 1, 2, 9, 12 });
        ASSERT_TRUE(panel.ops.open_default_port().ok());
        panel.click_option(2);
        const auto attempts = line.open_attempts();

        panel.type_port_text(text);
        EXPECT_EQ(line.open_port(), 2) << text.toStdString();
        EXPECT_EQ(panel.ticked, 2) << text.toStdString();
        EXPECT_EQ(line.open_attempts(), attempts) << text.toStdString();
    }
}

TEST_F(PortsTest, TypingCom12PassesThroughCom1)
{
    start_on_com1();
    panel.click_option(3);
    panel.type_port_text("");
    for (const QString text : { "C", "CO", "COM", "COM1" })
        panel.type_port_text(text);
    EXPECT_EQ(line.open_port(), 1);
    EXPECT_EQ(panel.label, "COM1 PORT ON");

    panel.type_port_text("COM12");
    EXPECT_EQ(line.open_port(), 1);
    EXPECT_EQ(panel.ticked, 1);
}

TEST_F(PortsTest, ListEntriesNineToSixteenFillTheTextAndSwitchNothing)
{
    start_on_com1();
    panel.list = { "COM9", "COM10", "COM11", "COM12", "COM13", "COM14", "COM15", "COM16" };
    for (int row = 0; row < panel.list.size(); ++row) {
        panel.click_list_entry(row);
        EXPECT_EQ(panel.port_text(), panel.list[row]);
        EXPECT_EQ(line.open_port(), 1);
    }
    EXPECT_EQ(line.open_attempts().size(), 1);
}

TEST_F(PortsTest, AListEntryOfTheOptionsSwitchesThroughTheText)
{
    start_on_com1();
    panel.list = { "COM1", "COM3" };
    panel.click_list_entry(1);
    EXPECT_EQ(panel.port_text(), "COM3");
    EXPECT_EQ(line.open_port(), 3);
    EXPECT_EQ(panel.ticked, 3);
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
    // While the box is up the window shows the port that failed.
    EXPECT_FALSE(box.port_open);
    EXPECT_EQ(box.ticked, 6);
    EXPECT_EQ(box.label, "COM6 PORT ON");
    // After it, the default port.
    EXPECT_EQ(line.open_port(), 1);
    EXPECT_EQ(panel.ticked, 1);
    EXPECT_EQ(panel.label, "9600,n,8,1");
    EXPECT_TRUE(panel.dtr_ticked);
    EXPECT_TRUE(panel.rts_ticked);
}

TEST_F(PortsTest, ABusyPortSaysSoBeneathTheMessage)
{
    start_on_com1();
    line.set_busy_ports({ 2 });
    panel.type_port_text("COM2");
    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_EQ(panel.messages[0].text, not_found);
    EXPECT_TRUE(panel.messages[0].detail.startsWith("COM2: Device or resource busy"));
    EXPECT_EQ(line.open_port(), 1);
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
    EXPECT_EQ(line.open_port(), 3);
    EXPECT_EQ(panel.label, "COM3 PORT ON");
}

TEST_F(PortsTest, ADefaultOpeningThatFailsLeavesNoPortAndPassesTheReasonOn)
{
    line.set_existing_ports({});
    const CommResult result = panel.ops.open_default_port();
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.reason(), "No such file or directory");
    EXPECT_FALSE(line.port_open());
    EXPECT_EQ(panel.ticked, 1);
    EXPECT_TRUE(panel.messages.isEmpty());
}

struct SearchCase {
    const char* name;
    QSet<int> existing;
    QSet<int> busy;
    QStringList listed;
};

TEST_F(PortsTest, SearchListsThePortsThatOpenInAscendingOrder)
{
    const SearchCase cases[] = {
        { "none", {}, {}, {} },
        { "one and three", { 1, 3 }, {}, { "COM1", "COM3" } },
        { "busy left out", { 1, 2, 3 }, { 2 }, { "COM1", "COM3" } },
        { "two digits", { 5, 9, 16, 12 }, {}, { "COM5", "COM9", "COM12", "COM16" } },
        { "beyond sixteen", { 17, 20 }, {}, {} },
    };
    for (const SearchCase& c : cases) {
        FakeSerialControl line;
        RecordingPortPanel panel { line };
        line.set_existing_ports(c.existing);
        line.set_busy_ports(c.busy);
        panel.ops.search_ports();
        EXPECT_EQ(panel.list, c.listed) << c.name;
        EXPECT_FALSE(line.port_open()) << c.name;
        EXPECT_EQ(line.comm_port(), 16) << c.name;
        EXPECT_TRUE(panel.messages.isEmpty()) << c.name;
    }
}

TEST_F(PortsTest, SearchWithComOneOpenStillListsItAndEndsClosedWithTickAndLabelKept)
{
    start_on_com1({ 1, 3 });
    panel.type_port_text("COM1");
    panel.list = { "stale" };

    panel.ops.search_ports();

    EXPECT_EQ(panel.list, QStringList({ "COM1", "COM3" }));
    EXPECT_FALSE(line.port_open());
    EXPECT_EQ(line.comm_port(), 16);
    EXPECT_EQ(panel.port_text(), "");
    EXPECT_EQ(panel.ticked, 1);
    EXPECT_EQ(panel.label, "9600,n,8,1");
}

TEST_F(PortsTest, ASecondSearchProbesEveryNumberAlike)
{
    line.set_existing_ports({ 2 });
    panel.ops.search_ports();
    const auto first = line.open_attempts();
    panel.ops.search_ports();
    const auto both = line.open_attempts();
    ASSERT_EQ(first.size(), 16);
    EXPECT_EQ(both.mid(16), first);
    EXPECT_EQ(panel.list, QStringList({ "COM2" }));
}

TEST_F(PortsTest, AfterASearchAnyChoiceOpensItsPortTheTickedOneToo)
{
    start_on_com1({ 1, 2, 3 });
    panel.ops.search_ports();
    ASSERT_FALSE(line.port_open());

    panel.click_option(1); // ticked already, and still opens
    EXPECT_EQ(line.open_port(), 1);
    EXPECT_EQ(panel.label, "COM1 PORT ON");

    panel.ops.search_ports();
    panel.current_row = 1;
    panel.click_list_entry(1);
    EXPECT_EQ(line.open_port(), 2);

    panel.ops.search_ports();
    panel.type_port_text("COM3");
    EXPECT_EQ(line.open_port(), 3);
}

TEST_F(PortsTest, ProbeAnswersWhetherThePortOpensAndLeavesItClosed)
{
    line.set_existing_ports({ 1, 4 });
    line.set_busy_ports({ 4 });
    EXPECT_TRUE(PortOperations::probe_port(line, 1));
    EXPECT_FALSE(line.port_open());
    EXPECT_FALSE(PortOperations::probe_port(line, 4));
    EXPECT_FALSE(PortOperations::probe_port(line, 2));
    EXPECT_FALSE(line.port_open());
    EXPECT_EQ(line.comm_port(), 2); // never put back
}

} // namespace
