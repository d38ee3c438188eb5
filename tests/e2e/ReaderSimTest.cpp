// The simulated card reader on its own, through its real pseudo-terminal: the answers the tool
// relies on, their pace, and the program's life (link, signals, options).

#include "ChildProcess.h"
#include "SimulatorProcess.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits>
#include <poll.h>
#include <unistd.h>

namespace {

const QByteArray ack_cr("\x06\r");
const QByteArray nak_cr("\x15\r");
const QByteArray can_cr("\x18\r");
const QByteArray cr("\r");
const QByteArray blank_block(16, ' ');
const QByteArray blank_read = ack_cr + blank_block + cr;
constexpr int card_delay_ms = 30;
// Long enough after the card delay for an answer that should not come.
constexpr int quiet_ms = card_delay_ms + 120;

QByteArray frame(const QByteArray& body)
{
    return '\x02' + body + '\x03';
}
QByteArray read_frame(const QByteArray& address)
{
    return frame("R" + address + ";730914");
}

// The short card delay, then more options, split at spaces.
QStringList fast_card(const QString& more = {})
{
    return QStringList { QStringLiteral("--delay"), QString::number(card_delay_ms) }
    + more.split(u' ', Qt::SkipEmptyParts);
}

// The tool's end of the line: the device opened by its path. Not set raw here: the simulator must
// have done it, or CR would arrive as LF.
class Line {
public:
    explicit Line(const QString& path)
        : fd_(::open(qPrintable(path), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~Line() { ::close(fd_); }
    Q_DISABLE_COPY(Line)

    void write(const QByteArray& bytes)
    {
        since_write_.start();
        EXPECT_EQ(::write(fd_, bytes.constData(), size_t(bytes.size())), bytes.size());
    }
    // Until count bytes came or timeout_ms passed. first_ms and last_ms: when the first and the
    // last of them came, since the last write.
    QByteArray read(qsizetype count, int timeout_ms = 2000)
    {
        QByteArray bytes;
        const QDeadlineTimer deadline(timeout_ms);
        while (bytes.size() < count && !deadline.hasExpired()) {
            pollfd pfd { fd_, POLLIN, 0 };
            char buffer[512];
            ::poll(&pfd, 1, int(std::max<qint64>(1, deadline.remainingTime())));
            const ssize_t n
                = ::read(fd_, buffer, size_t(std::min<qsizetype>(count - bytes.size(), 512)));
            if (n > 0) {
                first_ms = bytes.isEmpty() ? since_write_.elapsed() : first_ms;
                last_ms = since_write_.elapsed();
                bytes.append(buffer, n);
            }
        }
        return bytes;
    }
    // Every byte, waiting for room as a writer at full speed does.
    void write_all(QByteArray bytes)
    {
        while (!bytes.isEmpty()) {
            const ssize_t n = ::write(fd_, bytes.constData(), size_t(bytes.size()));
            if (n > 0) {
                bytes.remove(0, n);
            } else {
                pollfd pfd { fd_, POLLOUT, 0 };
                ::poll(&pfd, 1, 100);
            }
        }
    }
    // Whatever arrives within window_ms.
    QByteArray read_for(int window_ms) { return read(std::numeric_limits<int>::max(), window_ms); }
    QByteArray ask(const QByteArray& sent, qsizetype count)
    {
        write(sent);
        return read(count);
    }

    qint64 first_ms = -1;
    qint64 last_ms = -1;

private:
    int fd_;
    QElapsedTimer since_write_;
};

class ReaderSim : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim_.ready()); }

    SimulatorProcess sim_ { fast_card() };
    Line line_ { sim_.link_path() };
};

TEST_F(ReaderSim, ReadOfBlankBlockAnswersAckCrThenTheCardAfterTheDelayAtTheLinePace)
{
    // The tool writes STX, the body and ETX separately.
    for (const char* part : { "\x02", "R04;730914", "\x03" })
        line_.write(part);
    EXPECT_EQ(line_.read(2), ack_cr);
    EXPECT_EQ(line_.read(17), blank_block + cr);
    EXPECT_GE(line_.first_ms, card_delay_ms);
    // 17 bytes at 1.04 ms each, however late the card came; sent at once they would all arrive
    // right after the delay.
    EXPECT_GE(line_.last_ms, card_delay_ms + 15);
    EXPECT_EQ(line_.read_for(quiet_ms), QByteArray());
}

TEST_F(ReaderSim, CommandsStorePaddedDataOrAnswerCanForAWrongKey)
{
    struct Row {
        QByteArray sent, card_answer, address, block_after;
    };
    const Row rows[] = {
        { "N04;730914;hello", cr, "04", "hello           " },
        { "N05;730914;0123456789ABCDEF", cr, "5", "0123456789ABCDEF" },
        { "W62;730914;TEST-PATTERN", cr, "62", "TEST-PATTERN    " },
        { "N06;730914;first version 12", cr, "06", "first version 12" },
        { "W06;730914;second", cr, "6", "second          " },
        { "N01;730914;x", cr, "1", "x               " },
        { "W01;730914;", cr, "1", blank_block },
        { "N08;730914;a;b;c", cr, "08", "a;b;c           " },
        { "N09;730914;\xED\x95\x9C\xEA\xB8\x80", cr, "9", "\xED\x95\x9C\xEA\xB8\x80          " },
        { "N0010;730914;x", cr, "10", "x               " },
        { "R20;000000", can_cr, "20", blank_block },
        { "N20;73091;data", can_cr, "20", blank_block },
        { "W20;7309145;data", can_cr, "20", blank_block },
        { "W20;;data", can_cr, "20", blank_block },
    };
    for (const Row& row : rows) {
        EXPECT_EQ(line_.ask(frame(row.sent), 2 + row.card_answer.size()), ack_cr + row.card_answer)
            << row.sent.constData();
        EXPECT_EQ(line_.ask(read_frame(row.address), 19), ack_cr + row.block_after + cr)
            << row.sent.constData();
    }
}

TEST_F(ReaderSim, RefusedFramesAnswerNakCrAndNothingWithTheCard)
{
    const QByteArray hangul_9 = "\xED\x95\x9C\xED\x95\x9C\xED\x95\x9C";
    // The first is cut off at 256 bytes without its ETX; the next STX starts afresh.
    const QByteArray refused[] = { "\x02W04;730914;" + QByteArray(300, 'x'), frame("R03;730914"),
        frame("W63;730914;x"), frame("R00;730914"), frame("R64;730914"),
        frame("R99999999999999999999;730914"), frame("Rx1;730914"), frame("R+4;730914"),
        frame("R 4;730914"), frame("R;730914"), frame("R04"), frame("R04;730914;data"),
        frame("N04;730914"), frame(""), frame("X04;730914"), frame("r04;730914"),
        frame("N04;730914;0123456789ABCDEFG"), frame("N04;730914;" + hangul_9 + hangul_9) };
    for (const QByteArray& sent : refused) {
        EXPECT_EQ(line_.ask(sent, 2), nak_cr) << sent.constData();
        EXPECT_EQ(line_.read_for(quiet_ms), QByteArray()) << sent.constData();
    }
}

TEST_F(ReaderSim, AnyNewFrameEndsTheWaitForTheCardANewStxCutsAFrameAndBytesOutsideAreIgnored)
{
    EXPECT_EQ(line_.ask(read_frame("04") + frame("R03;730914"), 4), ack_cr + nak_cr);
    EXPECT_EQ(line_.read_for(quiet_ms), QByteArray());
    EXPECT_EQ(line_.ask(read_frame("12") + frame("W12;730914;later"), 4), ack_cr + ack_cr);
    EXPECT_EQ(line_.read(1), cr);
    EXPECT_EQ(line_.ask(read_frame("12"), 19), ack_cr + "later           " + cr);
    line_.write("hello\x03\r\n\x06");
    EXPECT_EQ(line_.read_for(quiet_ms), QByteArray());
    EXPECT_EQ(line_.ask("junk" + read_frame("04") + "more junk", 19), blank_read);
    EXPECT_EQ(line_.ask("\x02R04;730914" + read_frame("05"), 21), nak_cr + blank_read);
    EXPECT_EQ(line_.read_for(quiet_ms), QByteArray());
}

TEST_F(ReaderSim, AFloodOfFramesKeepsAReadersBufferOfAnswersAndTheFrameAfterItIsAnswered)
{
    // Each STX cuts the frame before it short: half a megabyte of NAK CR asked for.
    line_.write_all(QByteArray(256 * 1024, '\x02'));
    line_.write(read_frame("04"));
    QByteArray answers;
    while (!answers.endsWith(blank_read) && answers.size() < 16 * 1024) {
        const QByteArray more = line_.read(1);
        if (more.isEmpty())
            break;
        answers += more;
    }
    ASSERT_TRUE(answers.endsWith(blank_read)) << answers.size() << " bytes";
    const QByteArray refused = answers.chopped(blank_read.size());
    EXPECT_EQ(refused, nak_cr.repeated(refused.size() / 2));
    // The reader's buffer and what the line itself holds.
    EXPECT_LE(refused.size(), 8192) << refused.size();
}

// The arguments are split at spaces.
int run_to_end(const QString& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    die_with_test(process);
    process.start(SimulatorProcess::program(), arguments.split(u' '));
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

TEST(ReaderSimLink, OnlyADanglingLinkIsReplacedAndTheLinkIsRemovedOnExit)
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("COM3"));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("gone")), link));
    SimulatorProcess sim(fast_card(), link);
    ASSERT_TRUE(sim.ready());
    QFile file(folder.filePath(QStringLiteral("COM2")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(run_to_end("--link " + file.fileName()), 1);
    EXPECT_TRUE(QFileInfo(file.fileName()).isFile());
    EXPECT_EQ(run_to_end(link), 1);
    EXPECT_EQ(Line(link).ask(read_frame("04"), 19), blank_read);
    ASSERT_TRUE(sim.stop());
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(ReaderSimCard, ManualCardComesWithEnterOnlyWhenAwaitedAndIsLostWithNobodyListening)
{
    SimulatorProcess sim(fast_card(QStringLiteral("--manual")));
    ASSERT_TRUE(sim.ready());
    {
        Line line(sim.link_path());
        EXPECT_EQ(line.ask(frame("W05;730914;by hand"), 2), ack_cr);
        EXPECT_EQ(line.read_for(300), QByteArray());
        sim.press_enter();
        EXPECT_EQ(line.read(1), cr);
        sim.press_enter();
        EXPECT_EQ(line.read_for(100), QByteArray());
        EXPECT_EQ(line.ask(read_frame("05"), 2), ack_cr);
    }
    // The card comes while nobody has the device open: its answer is lost, as on a real line.
    sim.press_enter();
    QThread::msleep(quiet_ms);
    Line line(sim.link_path());
    EXPECT_EQ(line.read_for(quiet_ms), QByteArray());
    EXPECT_EQ(line.ask(read_frame("05"), 2), ack_cr);
    sim.press_enter();
    EXPECT_EQ(line.read(17), "by hand         " + cr);
}

TEST(ReaderSimCard, KeyOptionSetsEverySectorsKeyAAndVerboseLogsByByteName)
{
    SimulatorProcess sim(fast_card(QStringLiteral("--key AbC123 --verbose")));
    ASSERT_TRUE(sim.ready());
    Line line(sim.link_path());
    for (const QByteArray address : { "1", "30", "62" }) {
        EXPECT_EQ(line.ask(read_frame(address), 4), ack_cr + can_cr) << address.constData();
        EXPECT_EQ(line.ask(frame("R" + address + ";AbC123"), 19), blank_read)
            << address.constData();
    }
    EXPECT_EQ(line.ask(frame("R03;AbC123"), 2), nak_cr);
    ASSERT_TRUE(sim.stop());
    const QByteArray log = sim.process().readAllStandardError();
    for (const char* logged :
        { "[STX]R1;730914[ETX]", "[STX]R03;AbC123[ETX]", "[ACK][CR]", "[CAN][CR]", "[NAK][CR]" })
        EXPECT_TRUE(log.contains(logged)) << logged << " not in " << log.constData();
}

TEST(ReaderSimStop, StopSignalsRemoveTheLinkAndExitZero)
{
    for (const int stop_signal : { SIGTERM, SIGINT, SIGHUP }) {
        SCOPED_TRACE(sigabbrev_np(stop_signal));
        SimulatorProcess sim(fast_card());
        ASSERT_TRUE(sim.ready());
        ASSERT_TRUE(QFileInfo(sim.link_path()).isSymLink());
        ::kill(pid_t(sim.process().processId()), stop_signal);
        ASSERT_TRUE(sim.process().waitForFinished(3000));
        EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sim.process().exitCode(), 0);
        EXPECT_FALSE(QFileInfo(sim.link_path()).isSymLink());
    }
}

TEST(ReaderSimOptions, HelpAndVersionExitZero)
{
    QByteArray help;
    EXPECT_EQ(run_to_end(QStringLiteral("--help"), &help), 0);
    for (const char* option : { "--link", "--key", "--delay", "--manual", "--verbose", "--version",
             "--help", "730914", "(0x20)" })
        EXPECT_TRUE(help.contains(option)) << option;
    QByteArray version;
    EXPECT_EQ(run_to_end(QStringLiteral("--version"), &version), 0);
    EXPECT_TRUE(version.startsWith("novard-reader-sim ")) << version.constData();
}

TEST(ReaderSimOptions, BadOptionsExitTwoWithoutMakingALink)
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("COM1"));
    for (const char* arguments : { "--bogus %1", "--key 12345 %1", "--key 1234567 %1",
             "--delay soon %1", "--delay -1 %1", "%1 --delay", "%1 %1x", "--link %1 %1x" }) {
        EXPECT_EQ(run_to_end(QString::fromLatin1(arguments).arg(link)), 2) << arguments;
        EXPECT_FALSE(QFileInfo(link).isSymLink());
    }
}

} // namespace
