#include "WindowFixture.h"

namespace {

TEST(Startup, EndsWithTheFoundPortsAndTheRightPortOpen)
{
    struct Case {
        const char* name;
        QSet<int> existing;
        QSet<int> busy_during_search; // free again by the default opening
        QStringList listed;
        int open_port; // 0: none
        int ticked;
        QString label;
    };
    const Case cases[] = {
        { "no port", {}, {}, {}, 0, 1,
            "COM1 포트를 열 수 없습니다: COM1: No such file or directory" },
        { "only COM1", { 1 }, {}, { "COM1" }, 1, 1, "9600,n,8,1" },
        { "ports 1, 3 and 5", { 1, 3, 5 }, {}, { "COM1", "COM3", "COM5" }, 1, 1, "9600,n,8,1" },
        { "COM1 busy in the search", { 1, 3 }, { 1 }, { "COM3" }, 3, 3, "COM3 PORT ON" },
        { "port 12 alone", { 1, 12 }, { 1 }, { "COM12" }, 1, 1, "9600,n,8,1" },
        { "no COM1, COM3 found", { 3 }, {}, { "COM3" }, 3, 3, "COM3 PORT ON" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
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

        EXPECT_EQ(controls.port_list(), c.listed);
        EXPECT_EQ(controls.text("txt_port"), c.listed.value(0));
        EXPECT_EQ(line.open_port_number(), c.open_port);
        EXPECT_EQ(controls.text("Label"), c.label);
        EXPECT_EQ(controls.ticked_option(), c.ticked);
        EXPECT_TRUE(desktop.messages.isEmpty()) << "start-up never brings a box";
        EXPECT_EQ(window.commands().cmd_state(), "");
    }
}

using StartupFixture = WindowFixture;

TEST_F(StartupFixture, FillsTheAddressListAndTheKey)
{
    start({ 1 });
    auto* combo = get<QComboBox>("read_address");
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries.append(combo->itemText(i));
    ASSERT_EQ(entries.size(), 45);
    EXPECT_EQ(entries.first(), "04");
    EXPECT_EQ(entries.last(), "62");
    for (const char* absent : { "00", "03", "07", "11", "59", "63" })
        EXPECT_FALSE(entries.contains(absent)) << absent;
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
    EXPECT_EQ(combo->currentText(), "04");
    EXPECT_EQ(text("read_secret"), "730914");
    for (const char* empty : { "txtrecv", "Label1", "txtwrdata" })
        EXPECT_EQ(text(empty), "") << empty;
    EXPECT_TRUE(get<QCheckBox>("chkdtr")->isChecked() && get<QCheckBox>("chkrts")->isChecked());

    // Any address can still be typed, and it does not join the list.
    combo->setEditText("63");
    press("cmd_read");
    EXPECT_EQ(line.outputs().value(1), "R63;730914");
    EXPECT_EQ(combo->count(), 45);
}

TEST_F(StartupFixture, ClosingTheWindowClosesThePortEvenWithACommandInProgress)
{
    start({ 1 });
    press("cmd_read");
    ASSERT_EQ(state(), "read");
    const int closes = line.close_count();
    window->show();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(line.port_open());
    EXPECT_EQ(line.close_count(), closes + 1);
}

TEST_F(StartupFixture, SystemPropertiesStartsTheFirstInstalledPanelOrSaysWhy)
{
    start({ 1 });
    press("cmd_control_board");
    EXPECT_TRUE(desktop.starts.isEmpty());
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_EQ(desktop.messages[0].text, "시스템 설정 프로그램을 찾을 수 없습니다.");
    EXPECT_TRUE(desktop.messages[0].detail.contains("gnome-control-center"));

    desktop.installed = { "xfce4-settings-manager", "systemsettings" };
    press("cmd_control_board");
    ASSERT_EQ(desktop.starts.size(), 1);
#ifdef Q_OS_WIN
    EXPECT_EQ(desktop.starts[0].program, "/usr/bin/rundll32.exe");
#else
    EXPECT_EQ(desktop.starts[0].program, "/usr/bin/systemsettings");
    EXPECT_TRUE(desktop.starts[0].arguments.isEmpty());
#endif
    EXPECT_EQ(desktop.messages.size(), 1);
    EXPECT_EQ(text("Label"), "9600,n,8,1");

    desktop.start_succeeds = false;
    press("cmd_control_board");
    ASSERT_EQ(desktop.messages.size(), 2);
    EXPECT_EQ(desktop.messages[1].text, "시스템 설정 프로그램을 시작하지 못했습니다.");
}

} // namespace
