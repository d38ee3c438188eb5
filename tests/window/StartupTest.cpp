#include "WindowFixture.h"

namespace {

struct StartupCase {
    const char* name;
    QSet<int> existing;
    QSet<int> busy_during_search; // free again by the default opening
    QStringList listed;
    int open_port; // 0: none
    int ticked;
    QString label;
};

TEST(Startup, EndsWithTheFoundPortsAndTheRightPortOpen)
{
    const StartupCase cases[] = {
        { "no port", {}, {}, {}, 0, 1,
            "COM1 포트를 열 수 없습니다: COM1: No such file or directory" },
        { "only COM1", { 1 }, {}, { "COM1" }, 1, 1, "9600,n,8,1" },
        { "ports 1, 3 and 5", { 1, 3, 5 }, {}, { "COM1", "COM3", "COM5" }, 1, 1, "9600,n,8,1" },
        { "COM1 busy in the search", { 1, 3 }, { 1 }, { "COM3" }, 3, 3, "COM3 PORT ON" },
        { "port 12 alone", { 1, 12 }, { 1 }, { "COM12" }, 1, 1, "9600,n,8,1" },
        { "no COM1, COM3 found", { 3 }, {}, { "COM3" }, 3, 3, "COM3 PORT ON" },
    };
    for (const StartupCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSerialControl line;
        RecordingDesktop desktop;
        line.set_existing_ports(c.existing);
        line.set_busy_ports(c.busy_during_search);
        MainWindow window(line, desktop);
        // The search probes sixteen ports first; what was busy then is free right after.
        line.before_open = [&](int) {
            if (line.open_attempts().size() == 16)
                line.set_busy_ports({});
        };
        window.load();

        QStringList listed;
        auto* list = window.findChild<QListWidget*>("list_port");
        for (int row = 0; row < list->count(); ++row)
            listed.append(list->item(row)->text());
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(window.findChild<QLineEdit*>("txt_port")->text(), c.listed.value(0));
        EXPECT_EQ(line.open_port(), c.open_port);
        EXPECT_EQ(window.findChild<QLabel*>("Label")->text(), c.label);
        int ticked = 0;
        for (int port = 1; port <= 8; ++port) {
            if (window.findChild<QRadioButton*>(QStringLiteral("Optcom%1").arg(port))->isChecked())
                ticked = port;
        }
        EXPECT_EQ(ticked, c.ticked);
        EXPECT_TRUE(desktop.messages.isEmpty()) << "start-up never brings a box";
        EXPECT_EQ(window.commands().cmd_state(), "");
    }
}

struct StartupFixture : WindowFixture { };

TEST_F(StartupFixture, FillsTheAddressListAndTheKey)
{
    start({ 1 });
    auto* combo = get<QComboBox>("read_address");
    ASSERT_EQ(combo->count(), 45);
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries.append(combo->itemText(i));
    EXPECT_EQ(entries.first(), "04");
    EXPECT_EQ(entries.last(), "62");
    for (const char* absent : { "00", "03", "07", "11", "59", "63" })
        EXPECT_FALSE(entries.contains(absent)) << absent;
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
    EXPECT_EQ(combo->currentText(), "04");
    EXPECT_EQ(text("read_secret"), "730914");
    EXPECT_EQ(text("txtrecv"), "");
    EXPECT_EQ(text("Label1"), "");
    EXPECT_EQ(text("txtwrdata"), "");
    EXPECT_TRUE(get<QCheckBox>("chkdtr")->isChecked());
    EXPECT_TRUE(get<QCheckBox>("chkrts")->isChecked());
}

TEST_F(StartupFixture, AnyAddressCanStillBeTyped)
{
    start({ 1 });
    auto* combo = get<QComboBox>("read_address");
    combo->setEditText("63");
    press("cmd_read");
    EXPECT_EQ(line.outputs().value(1), "R63;730914");
    EXPECT_EQ(combo->count(), 45);
}

TEST_F(StartupFixture, WithNoPortTheWindowStaysUsableAndAPortOpensLater)
{
    start({});
    EXPECT_FALSE(line.port_open());
    line.set_existing_ports({ 2 });
    get<QRadioButton>("Optcom2")->click();
    EXPECT_EQ(line.open_port(), 2);
    EXPECT_EQ(text("Label"), "COM2 PORT ON");
}

TEST_F(StartupFixture, ClosingTheWindowClosesThePort)
{
    start({ 1 });
    ASSERT_TRUE(line.port_open());
    const int closes = line.close_count();
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(line.port_open());
    EXPECT_EQ(line.close_count(), closes + 1);
}

TEST_F(StartupFixture, ClosingWithNoPortOpenJustCloses)
{
    start({});
    const int closes = line.close_count();
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(line.close_count(), closes);
}

TEST_F(StartupFixture, ClosingIsNotHeldUpByACommandInProgress)
{
    start({ 1 });
    press("cmd_read");
    ASSERT_EQ(window->commands().cmd_state(), "read");
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(line.port_open());
}

TEST_F(StartupFixture, SystemPropertiesStartsTheFirstInstalledPanelDetached)
{
    start({ 1 });
    desktop.installed = { "xfce4-settings-manager", "systemsettings" };
    press("cmd_control_board");
    ASSERT_EQ(desktop.starts.size(), 1);
#ifdef Q_OS_WIN
    EXPECT_EQ(desktop.starts[0].program, "/usr/bin/rundll32.exe");
#else
    EXPECT_EQ(desktop.starts[0].program, "/usr/bin/systemsettings");
    EXPECT_TRUE(desktop.starts[0].arguments.isEmpty());
#endif
    EXPECT_TRUE(desktop.messages.isEmpty());
    EXPECT_EQ(text("Label"), "9600,n,8,1");
}

TEST_F(StartupFixture, SystemPropertiesSaysSoWhenNoPanelIsThere)
{
    start({ 1 });
    press("cmd_control_board");
    EXPECT_TRUE(desktop.starts.isEmpty());
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_EQ(desktop.messages[0].text, "시스템 설정 프로그램을 찾을 수 없습니다.");
    EXPECT_TRUE(desktop.messages[0].detail.contains("gnome-control-center"));

    desktop.installed = { "gnome-control-center" };
    desktop.start_succeeds = false;
    press("cmd_control_board");
    ASSERT_EQ(desktop.messages.size(), 2);
    EXPECT_EQ(desktop.messages[1].text, "시스템 설정 프로그램을 시작하지 못했습니다.");
}

} // namespace
