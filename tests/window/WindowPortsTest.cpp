// The window's port side on the scripted line: the search at start-up, the port choices and their
// faults, and the system-properties button.

#include "QtPrinters.h"
#include "WindowRig.h"

namespace {

TEST(Startup, EndsWithTheFoundPortsAndTheRightPortOpen)
{
    const struct {
        const char* name;
        QSet<int> existing, busy_during_search; // busy ports are free again by the default opening
        QStringList listed;
        QString ports;
    } cases[] = {
        { "no port at all", {}, {}, {},
            "none, option 1, '', COM1 포트를 열 수 없습니다: COM1: 그런 파일이나 디렉터리가 "
            "없습니다" },
        { "COM1 busy in the search, COM8 found: switched to", { 1, 8 }, { 1 }, { "COM8" },
            "COM8, option 8, 'COM8', COM8 PORT ON" },
        { "COM1 busy in the search, COM16 found: no switch", { 1, 16 }, { 1 }, { "COM16" },
            "COM1, option 1, 'COM16', 9600,n,8,1" },
        { "no COM1: the fallback fails, COM3 switched to", { 3 }, {}, { "COM3" },
            "COM3, option 3, 'COM3', COM3 PORT ON" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WindowRig rig(c.existing, c.busy_during_search);
        // The search probes the sixteen ports first; what was busy then is free right after.
        rig.line.before_open = [&](int) {
            if (rig.line.open_attempts().size() == 16)
                rig.line.refusals.clear();
        };
        rig.window->load();
        EXPECT_EQ(rig.line.open_attempts().mid(0, 16),
            QList<int>({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16 }));
        EXPECT_EQ(rig.port_list(), c.listed);
        EXPECT_EQ(rig.ports(), c.ports);
        EXPECT_EQ(rig.desktop.boxes, QStringList()) << "start-up never brings a box";
    }
}

TEST_F(WindowTest, AnOptionTheListOrThePortTextEachSwitchThePortOnceAndOpenItAfterASearch)
{
    auto attempts = line.open_attempts().size();
    click(option(3));
    EXPECT_EQ(ports(), "COM3, option 3, 'COM1', COM3 PORT ON");
    EXPECT_EQ(line.open_attempts().size(), ++attempts);

    // Typing COM12 passes through COM1; the port text names the port, no option is ticked by hand.
    type_into("txt_port", "COM12");
    EXPECT_EQ(ports(), "COM1, option 1, 'COM12', COM1 PORT ON");
    attempts = line.open_attempts().size();

    // Tabbing into the list chooses nothing; each move of the selection is one switch.
    get("chkrts")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto* list = get<QListWidget>("list_port");
    ASSERT_EQ(QApplication::focusWidget(), list);
    EXPECT_EQ(line.open_attempts().size(), attempts);
    for (const auto& [key, port] : { std::pair(Qt::Key_Down, 2), std::pair(Qt::Key_Down, 3),
             std::pair(Qt::Key_Up, 2), std::pair(Qt::Key_Home, 1) }) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString() + " to COM" + std::to_string(port));
        QTest::keyClick(list, key);
        EXPECT_EQ(ports(), QStringLiteral("COM%1, option %1, 'COM%1', COM%1 PORT ON").arg(port));
        EXPECT_EQ(line.open_attempts().size(), ++attempts);
    }
    const auto click_row = [&](int row) {
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    };
    // While the reader is lost, another port's row goes to that port, and the lost port's own row
    // opens it again, though its name is in the port text already.
    line.lost = true;
    line.close_port();
    click_row(1);
    EXPECT_EQ(ports(), "COM2, option 2, 'COM2', COM2 PORT ON");
    line.close_port();
    click_row(1);
    EXPECT_EQ(line.open_port_number(), 2);
    line.lost = false;
    click_row(2);

    // A search leaves no port open; any choice after it opens its port, the ticked option too.
    press("cmd_port_search");
    EXPECT_EQ(port_list(), QStringList({ "COM1", "COM2", "COM3" }));
    EXPECT_EQ(ports(), "none, option 3, '', COM3 PORT ON");
    click(option(3));
    EXPECT_EQ(line.open_port_number(), 3);
    press("cmd_port_search");
    window->tick_option(2); // as the operations tick it: its click runs once
    EXPECT_EQ(ports(), "COM2, option 2, '', COM2 PORT ON");
    press("cmd_port_search");
    window->set_port_text("COM1"); // its change runs before the next statement
    EXPECT_EQ(ports(), "COM1, option 1, 'COM1', COM1 PORT ON");
}

TEST_F(WindowTest, AMissingPortFallsBackToComOneAndAFailedFallbackIsToldInTheLabel)
{
    // The box shows the choice while it is up, then COM1 is open again.
    QString while_up;
    desktop.on_message = [&] { while_up = ports(); };
    click(option(7));
    EXPECT_EQ(desktop.boxes,
        QStringList {
            "존제 하지 않는 통신포트 입니다. | COM7: 그런 파일이나 디렉터리가 없습니다" });
    EXPECT_EQ(while_up, "none, option 7, 'COM1', COM7 PORT ON");
    EXPECT_EQ(ports(), "COM1, option 1, 'COM1', 9600,n,8,1");

    // When COM1 fails too, one box and the reason in the label; a port that exists opens later.
    line.refusals.insert(1, CommResult::Kind::busy);
    click(option(4));
    EXPECT_EQ(desktop.boxes.size(), 2);
    EXPECT_EQ(ports(),
        "none, option 1, 'COM1', COM1 포트를 열 수 없습니다: COM1: 장치나 자원이 동작 중 — 다른 "
        "프로그램이 이 포트를 사용하고 있습니다");
    click(option(2));
    EXPECT_EQ(line.open_port_number(), 2);
    line.refusals.insert(3, CommResult::Kind::permission);
    click(option(3));
    EXPECT_EQ(desktop.boxes.value(2),
        "존제 하지 않는 통신포트 입니다. | COM3: 허가 거부 — 사용자를 dialout 그룹에 "
        "추가한 뒤 다시 로그인하십시오");
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
    ASSERT_EQ(desktop.boxes.size(), 2);
    EXPECT_TRUE(desktop.boxes[0].startsWith("시스템 설정 프로그램을 찾을 수 없습니다. | ")
        && desktop.boxes[0].contains("gnome-control-center"));
    EXPECT_EQ(
        desktop.boxes[1], "시스템 설정 프로그램을 시작하지 못했습니다. | /usr/bin/systemsettings");
}

} // namespace
