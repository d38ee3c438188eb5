// The tool end to end: the real window (offscreen) on the real serial control, over
// pseudo-terminals that a fake system port list names, one of them the simulated card reader's,
// running as a child process; and on the line that runs the reader inside the program. The window
// is driven through its controls by name, as an operator drives it by their places.

#include "HangCeiling.h"
#include "MainWindow.h"
#include "Pty.h"
#include "QtPrinters.h"
#include "QtSerialControl.h"
#include "ReaderMessages.h"
#include "RecordingDesktop.h"
#include "SimulatedLine.h"
#include "SimulatorProcess.h"
#include "TraceWarning.h"
#include "WindowControls.h"
#include "WireTrace.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

// Only reached when an answer never comes: a loaded machine and the sanitizers take their time.
// How long a node must stand without the lost reader's identity before it is taken for another
// device: udev gives a new node its properties a moment after it appears.
constexpr qint64 identity_settle_ms = 500;

// A short card delay, so that a command takes a tenth of a second rather than most of one.
const QStringList quick_card { "--delay", "60" };

// A system port list that a test writes; it may change between two readings, as devices are
// plugged in and pulled out.
struct FakeSystemPorts final : SystemPorts {
    QList<Port> ports() const override { return list; }
    QList<Port> list;
};

// The window, loaded, on the real serial control over a port map, with its controls by name.
struct WindowOnLine : WindowControls {
    explicit WindowOnLine(PortMap map, LineObserver* observer = nullptr)
        : line(std::move(map))
    {
        line.set_observer(observer);
        attach(&window);
        window.load();
    }
    bool label_becomes(const char* label, const QString& caption) const
    {
        return wait_for([&] { return text(label) == caption; });
    }

    RecordingDesktop desktop;
    QtSerialControl line;
    MainWindow window { line, desktop };
};

// The system's list is a fake naming links to pseudo-terminals, as udev names adapters, and names
// that lead nowhere: USB adapters and modems come first, each group in natural order.
TEST(SystemPortNumbering, IsTakenAnewAtASearchAndHoldsInBetween)
{
    Pty adapter, console, modem;
    QTemporaryDir dev;
    const auto plug = [&](const char* name, const Pty& pty) {
        EXPECT_TRUE(QFile::link(pty.device_path(), dev.filePath(name)));
        return SystemPorts::Port { dev.filePath(name), QString(), QString() };
    };
    auto system = std::make_shared<FakeSystemPorts>();
    system->list = { { dev.filePath("ttyS1"), "", "" }, plug("ttyS0", console),
        { dev.filePath("ttyUSB10"), "", "" }, { dev.filePath("ttyAMA0"), "", "" },
        { dev.filePath("ttyUSB2"), "FT232R USB UART", "" }, plug("ttyUSB0", adapter) };
    PortMap map;
    map.set_system_ports(system);
    map.renumber();
    EXPECT_EQ(map.listing(),
        QString("COM1 %1/ttyUSB0\nCOM2 %1/ttyUSB2 FT232R USB UART\nCOM3 %1/ttyUSB10\nCOM4 "
                "%1/ttyAMA0\nCOM5 %1/ttyS0\nCOM6 %1/ttyS1\n")
            .arg(dev.path()));
    WindowOnLine rig(map);
    EXPECT_EQ(rig.port_list(), QStringList({ "COM1", "COM5" }));
    EXPECT_EQ(rig.option(1)->toolTip(), dev.filePath("ttyUSB0"));
    EXPECT_EQ(rig.get<QListWidget>("list_port")->item(1)->toolTip(), dev.filePath("ttyS0"));

    // The adapter is pulled out and a modem plugged in: the numbers hold until the next search.
    ASSERT_TRUE(QFile::remove(dev.filePath("ttyUSB0")));
    system->list.back() = plug("ttyACM0", modem);
    EXPECT_EQ(rig.line.device_for(1), dev.filePath("ttyUSB0"));
    rig.press("cmd_port_search");
    EXPECT_EQ(rig.port_list(), QStringList({ "COM1", "COM5" }));
    EXPECT_EQ(rig.option(1)->toolTip(), dev.filePath("ttyACM0"));
}

// The reader as a USB adapter the system's list names, with its identity; the simulated reader's
// pseudo-terminal behind the node. The line's events are counted and traced with every byte.
class PulledReader : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(trace.open(QFile::encodeName(folder.filePath("wire.trace"))))
            << trace.reason().toStdString();
        ASSERT_TRUE(plug_reader("ttyUSB0"));
        PortMap map;
        map.set_system_ports(system);
        rig.emplace(map, &trace);
        QObject::connect(&rig->line, &SerialControl::OnComm, [this] {
            if (rig->line.comm_event() != SerialControl::CommEvent::receive)
                events.append(rig->line.comm_event());
        });
    }
    QString node(const char* name) const { return dev.filePath(name); }
    // The reader plugged in at the node; true once it is ready.
    bool plug_reader(const char* name)
    {
        system->list.append({ node(name), "FT232R USB UART", reader_id });
        reader = std::make_unique<SimulatorProcess>(quick_card, node(name));
        return reader->ready();
    }
    // With the reader pulled out, a device the system cannot tell takes its node: told only once
    // udev had the time to give it an identity (never sooner, however fast the machine).
    void other_device_takes_its_node()
    {
        system->list = { { node("ttyUSB0"), "CP2102", "" } };
        standing.start();
        ASSERT_TRUE(QFile::link(other.device_path(), node("ttyUSB0")));
        ASSERT_TRUE(rig->label_becomes("Label", PortOperations::other_device_message(1)));
        EXPECT_GE(standing.elapsed(), identity_settle_ms);
    }

    const QTemporaryDir folder;
    WireTrace trace;
    QTemporaryDir dev;
    const QString reader_id = "0403:6001 serial READER1";
    std::shared_ptr<FakeSystemPorts> system = std::make_shared<FakeSystemPorts>();
    std::unique_ptr<SimulatorProcess> reader;
    QList<SerialControl::CommEvent> events;
    std::optional<WindowOnLine> rig;
    Pty other;
    QElapsedTimer standing;
};

TEST_F(PulledReader, ComesBackByItsIdentityOnlyAndIsTraced)
{
    // Pulled out; the operator presses Read, then clicks the ticked COM1 while it is missing. Had
    // the demo started this reader, the label says that the simulator stopped.
    rig->window.set_simulated_port(1);
    ASSERT_TRUE(reader->stop());
    system->list.clear();
    ASSERT_TRUE(rig->label_becomes("Label", ReaderMessages::lost_message(1, true)));
    EXPECT_NE(ReaderMessages::lost_message(1, true), ReaderMessages::lost_message(1));
    rig->window.set_simulated_port(0);
    rig->press("cmd_read");
    QTest::mouseClick(rig->option(1), Qt::LeftButton);
    EXPECT_EQ(rig->desktop.boxes,
        QStringList({ CardCommands::no_port_message(),
            PortOperations::not_found_message() + " | " + node("ttyUSB0")
                + ": 그런 파일이나 디렉터리가 없습니다" }));

    // Another device at the node is left closed, and a click does not open it either.
    ASSERT_NO_FATAL_FAILURE(other_device_takes_its_node());
    QTest::mouseClick(rig->option(1), Qt::LeftButton);
    EXPECT_EQ(rig->desktop.boxes.value(2),
        PortOperations::not_found_message() + " | " + node("ttyUSB0")
            + ": 그런 장치가 없음 — 리더가 아닌 다른 장치가 연결되어 있습니다");

    // The reader comes back as ttyUSB1: opened by itself, still COM1. The label read so already,
    // from the click, so the return itself is waited for.
    ASSERT_TRUE(plug_reader("ttyUSB1"));
    using enum SerialControl::CommEvent;
    ASSERT_TRUE(wait_for([&] { return events.contains(device_back); }));
    EXPECT_EQ(events, QList({ device_lost, other_device, device_back }));
    EXPECT_EQ(rig->text("Label"), "COM1 PORT ON");
    EXPECT_EQ(rig->option(1)->toolTip(), node("ttyUSB1"));
    rig->press("cmd_read");
    ASSERT_TRUE(rig->label_becomes("Label1", "카드 읽기 완료"));

    // Every entry stamped: the search's probe and the opening, the loss, the reopening at the new
    // node, and the read's frame and the card's answer.
    QFile file(folder.filePath("wire.trace"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QRegularExpression stamped(
        R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (open |close|lost |sent |recv ) )");
    QStringList entries, received;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        ASSERT_TRUE(stamped.match(line).hasMatch()) << line.toStdString();
        if (line.mid(24).startsWith(u"recv "))
            received.append(line.mid(30).section("  ", 0, 0));
        else
            entries.append(line.mid(24));
    }
    EXPECT_EQ(entries.mid(0, 9),
        QStringList({ "open  " + node("ttyUSB0"), "close " + node("ttyUSB0"),
            "open  " + node("ttyUSB0"), "lost  " + node("ttyUSB0"), "close " + node("ttyUSB0"),
            "open  " + node("ttyUSB1"), "sent  02  [STX]",
            "sent  52 30 34 3B 37 33 30 39 31 34  R04;730914", "sent  03  [ETX]" }));
    EXPECT_TRUE(received.join(u' ').startsWith(
        QByteArray("\x06\r" + QByteArray(16, ' ') + "\r").toHex(' ').toUpper()));
}

// The reader back as ttyUSB1 after another device took its node, as above; then pulled again, found
// at a third node and numbered anew by a search.
TEST_F(PulledReader, KeepsItsNumberUnderAnotherNodeUntilASearch)
{
    ASSERT_TRUE(reader->stop());
    system->list.clear();
    ASSERT_TRUE(rig->label_becomes("Label", ReaderMessages::lost_message(1)));
    ASSERT_NO_FATAL_FAILURE(other_device_takes_its_node());
    ASSERT_TRUE(plug_reader("ttyUSB1"));
    ASSERT_TRUE(rig->label_becomes("Label", "COM1 PORT ON"));

    // Pulled again, the other adapter at its node at once: told again only after the settle
    // time, however long ago the first was told, and a change in the folder does not hurry it.
    system->list.last() = { node("ttyUSB1"), "CP2102", "" };
    ASSERT_TRUE(QFile::link(other.device_path(), node("ttyUSB1.new")));
    ASSERT_EQ(std::rename(qPrintable(node("ttyUSB1.new")), qPrintable(node("ttyUSB1"))), 0);
    standing.restart();
    ASSERT_TRUE(reader->stop());
    ASSERT_TRUE(wait_for([&] {
        return rig->text("Label") == ReaderMessages::lost_message(1)
            || rig->text("Label") == PortOperations::other_device_message(1);
    }));
    ASSERT_TRUE(QFile(node("ttyS9")).open(QIODevice::WriteOnly));
    ASSERT_TRUE(rig->label_becomes("Label", PortOperations::other_device_message(1)));
    EXPECT_GE(standing.elapsed(), identity_settle_ms);

    // Back as ttyUSB2: the operator's click finds it before the tool does by itself (no event is
    // handled between the two), and the tooltip follows there too.
    ASSERT_TRUE(plug_reader("ttyUSB2"));
    QTest::mouseClick(rig->option(1), Qt::LeftButton);
    EXPECT_EQ(rig->option(1)->toolTip(), node("ttyUSB2"));
    EXPECT_TRUE(rig->line.port_open());
    using enum SerialControl::CommEvent;
    EXPECT_EQ(events, QList({ device_lost, other_device, device_back, device_lost, other_device }));
    // A byte put on the other adapter's line now comes out first: nothing came before it.
    ASSERT_EQ(::write(other.slave_fd(), "!", 1), 1);
    EXPECT_EQ(other.read(1, hang_ceiling_ms), "!") << "nothing ever reached the other adapter";
    rig->window.close();
    EXPECT_FALSE(rig->line.port_open()) << "closing the window closes the port";

    // A search numbers the system's list anew and forgets where the reader went: COM1 is the other
    // device's node again.
    rig->press("cmd_port_search");
    EXPECT_EQ(rig->option(1)->toolTip(), node("ttyUSB0"));
}

// A search while the reader is pulled gives the lost port up: nothing looks for the reader any
// more, and the port is not told lost.
TEST_F(PulledReader, IsGivenUpByASearch)
{
    ASSERT_TRUE(reader->stop());
    system->list.clear();
    ASSERT_TRUE(rig->label_becomes("Label", ReaderMessages::lost_message(1)));
    ASSERT_TRUE(rig->line.device_lost());
    rig->press("cmd_port_search");
    EXPECT_FALSE(rig->line.device_lost());
    for (const QTimer* timer : rig->line.findChildren<QTimer*>())
        EXPECT_FALSE(timer->isActive()) << "a look for the reader goes on";
}

// A trace whose folder is removed loses lines: Label tells so, as novard-demo wires it, and keeps
// telling over the next echo; once the folder is back the next line is written and Label shows the
// echo.
TEST(TraceWarning, HoldsLabelWhileLinesAreLostAndGoesOnceTheyAreWrittenAgain)
{
    const QTemporaryDir folder;
    const QDir traces(folder.filePath("traces"));
    WireTrace trace;
    ASSERT_TRUE(traces.mkpath(".") && trace.open(QFile::encodeName(traces.filePath("t"))));
    SimulatorProcess reader(quick_card, folder.filePath("COM1"));
    ASSERT_TRUE(reader.ready());
    PortMap map;
    map.set_port_dir(folder.path());
    WindowOnLine rig(map);
    trace_window(trace, rig.line, rig.window);
    ASSERT_TRUE(QDir(traces).removeRecursively());
    for (int press = 0; press < 2; ++press) {
        rig.press("cmd_read");
        ASSERT_TRUE(rig.label_becomes("Label1", "카드 읽기 완료"));
        EXPECT_EQ(rig.text("Label"), WireTrace::failure_label(ENOENT)) << press;
    }
    ASSERT_TRUE(traces.mkpath("."));
    rig.press("cmd_read");
    EXPECT_TRUE(rig.text("Label").startsWith("[STX] R 04;730914 [ETX]"))
        << rig.text("Label").toStdString();
}

// Where there are no pseudo-terminals, --demo's reader runs inside the program as COM1, the only
// port, and the window issues, modifies and reads a card through it as through a line. On the
// contract, no byte comes sooner than the line's pace allows, and a flood of frames leaves what a
// reader's buffer holds: the newest whole answers, then the card's.
TEST(InProgramReader, ServesTheWindowAsCom1AtTheLinePaceThroughAReadersBuffer)
{
    constexpr std::chrono::milliseconds card_delay(30);
    RecordingDesktop desktop;
    SimulatedLine line(card_delay);
    MainWindow window(line, desktop);
    WindowControls rig;
    rig.attach(&window);
    window.load();
    EXPECT_EQ(rig.port_list(), QStringList({ "COM1" }));
    const struct {
        const char *button, *data, *done;
    } presses[] = { { "cmdwrite", "hello", "카드 발행 완료" },
        { "cmdeditwrite", "world", "카드 수정 완료" }, { "cmd_read", "", "카드 읽기 완료" } };
    for (const auto& press : presses) {
        SCOPED_TRACE(press.button);
        rig.type_into("txtwrdata", press.data);
        rig.press(press.button);
        EXPECT_TRUE(wait_for([&] { return rig.text("Label1") == QString::fromUtf8(press.done); }));
    }
    // The log box shows what it was given on its next frame.
    EXPECT_TRUE(wait_for([&] { return rig.text("txtrecv") == "[ACK][CR]world           [CR]"; }));
    window.close();

    // Each STX cuts the frame before it short: 600 NAK CRs asked for at once, then a read.
    SimulatedLine bare(card_delay);
    bare.set_comm_port(2);
    EXPECT_FALSE(bare.open_port());
    bare.set_comm_port(1);
    bare.set_rthreshold(1);
    ASSERT_TRUE(bare.open_port());
    QByteArray heard;
    QElapsedTimer clock;
    QObject::connect(&bare, &SerialControl::OnComm, [&] {
        heard += bare.input();
        EXPECT_LE(heard.size() * reader_sim::AnswerBuffer::byte_time.count(), clock.nsecsElapsed())
            << heard.size() << " bytes";
    });
    clock.start();
    ASSERT_TRUE(bare.output(QByteArray(600, '\x02') + "\x02R05;730914\x03"));
    const QByteArray read = "\x06\r" + QByteArray(16, ' ') + '\r';
    ASSERT_TRUE(wait_for([&] { return heard.endsWith(read); }));
    EXPECT_EQ(heard, QByteArray("\x15\r").repeated(255) + read);
}

} // namespace
