// The simulated card reader on its own, through its real pseudo-terminal: the answers the tool
// relies on, their pace, and the program's life (link, signals, options).

#include "ChildProcess.h"
#include "SimulatorProcess.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

    // Every byte, waiting for room as a writer at full speed does.
    void write(QByteArray bytes)
    {
        since_write_.start();
        while (!bytes.isEmpty()) {
            const ssize_t n = ::write(fd_, bytes.constData(), size_t(bytes.size()));
            bytes.remove(0, std::max<ssize_t>(n, 0));
            pollfd pfd { fd_, POLLOUT, 0 };
            if (n <= 0)
                ::poll(&pfd, 1, 100);
        }
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
    // Whatever arrives in a time after which no answer should come.
    QByteArray quiet() { return read(std::numeric_limits<int>::max(), quiet_ms); }
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
    EXPECT_EQ(line_.quiet(), QByteArray());
}

TEST_F(ReaderSim, FramesAreStoredReadRefusedOrCutAsAReaderDoes)
{
    const QByteArray hangul_9 = "\xED\x95\x9C\xED\x95\x9C\xED\x95\x9C";
    const std::pair<QByteArray, QByteArray> exchanges[] = {
        // Data is padded to the block; a wrong Key A is answered CAN with the card.
        { frame("N04;730914;hello"), ack_cr + cr },
        { read_frame("4"), ack_cr + "hello           " + cr },
        { frame("W0062;730914;a;b;" + hangul_9), ack_cr + cr },
        { read_frame("62"), ack_cr + "a;b;" + hangul_9 + "   " + cr },
        { frame("W01;730914;"), ack_cr + cr },
        { read_frame("01"), blank_read },
        { frame("R20;000000"), ack_cr + can_cr },
        { frame("N20;73091;data"), ack_cr + can_cr },
        // Refused: cut off at 256 bytes, a trailer or outside the card, malformed, too long.
        { "\x02W04;730914;" + QByteArray(300, 'x'), nak_cr },
        { frame("R03;730914"), nak_cr },
        { frame("R64;730914"), nak_cr },
        { frame("R 4;730914"), nak_cr },
        { frame("R04;730914;data"), nak_cr },
        { frame("N04;730914"), nak_cr },
        { frame("r04;730914"), nak_cr },
        { frame("N04;730914;0123456789ABCDEFG"), nak_cr },
        { frame("N04;730914;" + hangul_9 + hangul_9), nak_cr },
        // A new frame ends the wait for the card; a new STX cuts a frame; bytes outside are
        // ignored.
        { read_frame("04") + frame("R03;730914"), ack_cr + nak_cr },
        { "hello\x03\r\n\x06" + read_frame("05") + "junk", blank_read },
        { "\x02R04;730914" + read_frame("05"), nak_cr + blank_read },
    };
    for (const auto& [sent, answer] : exchanges) {
        EXPECT_EQ(line_.ask(sent, answer.size()), answer) << sent.constData();
        EXPECT_EQ(line_.quiet(), QByteArray()) << sent.constData();
    }
}

TEST_F(ReaderSim, AFloodOfFramesKeepsAReadersBufferOfAnswersAndTheFrameAfterItIsAnswered)
{
    // Each STX cuts the frame before it short: half a megabyte of NAK CR asked for.
    QElapsedTimer writing;
    writing.start();
    line_.write(QByteArray(256 * 1024, '\x02'));
    line_.write(read_frame("04"));
    // The reader's buffer and what the line itself holds, and what the reader sent at its pace
    // (a byte a millisecond at most) while a loaded machine took its time over the writes.
    const qint64 bound = 8192 + writing.elapsed();
    QByteArray answers;
    while (!answers.endsWith(blank_read) && answers.size() <= bound + blank_read.size()) {
        const QByteArray more = line_.read(1, 20000);
        if (more.isEmpty())
            break;
        answers += more;
    }
    ASSERT_TRUE(answers.endsWith(blank_read)) << answers.size() << " bytes";
    const QByteArray refused = answers.chopped(blank_read.size());
    EXPECT_EQ(refused, nak_cr.repeated(refused.size() / 2));
    EXPECT_LE(refused.size(), bound) << refused.size();
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
        *output = process.readAllStandardOutput() + process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

TEST(ReaderSimLife, OnlyADanglingLinkIsReplacedAndStopSignalsRemoveItAndExitZero)
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("COM3"));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("gone")), link));
    for (const int stop_signal : { SIGTERM, SIGINT, SIGHUP }) {
        SCOPED_TRACE(sigabbrev_np(stop_signal));
        SimulatorProcess sim(fast_card(QStringLiteral("--key AbC123 --verbose")), link);
        ASSERT_TRUE(sim.ready());
        EXPECT_EQ(run_to_end(link), 1) << "a live link is left alone";
        Line line(link);
        EXPECT_EQ(line.ask(read_frame("30"), 4), ack_cr + can_cr);
        EXPECT_EQ(line.ask(frame("R30;AbC123"), 19), blank_read);
        ::kill(pid_t(sim.process().processId()), stop_signal);
        ASSERT_TRUE(sim.process().waitForFinished(3000));
        EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sim.process().exitCode(), 0);
        EXPECT_FALSE(QFileInfo(link).isSymLink());
        EXPECT_TRUE(sim.process().readAllStandardError().contains("[STX]R30;730914[ETX]"));
    }
    QFile file(folder.filePath(QStringLiteral("COM2")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(run_to_end("--link " + file.fileName()), 1);
    EXPECT_TRUE(QFileInfo(file.fileName()).isFile());
}

TEST(ReaderSimLife, HelpAndVersionExitZeroAndBadOptionsTwoWithoutALink)
{
    QByteArray said;
    EXPECT_EQ(run_to_end(QStringLiteral("--help"), &said), 0);
    // The options, and what a user must know of the buffer that a flood overfills.
    for (const char* option :
        { "--link", "--key", "--delay", "--manual", "--verbose", "730914", "512 bytes" })
        EXPECT_TRUE(said.contains(option)) << option;
    EXPECT_EQ(run_to_end(QStringLiteral("--version"), &said), 0);
    EXPECT_TRUE(said.startsWith("novard-reader-sim ")) << said.constData();
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("COM1"));
    for (const char* arguments :
        { "--bogus %1", "--key 12345 %1", "--delay -1 %1", "%1 --delay", "%1 %1x" }) {
        EXPECT_EQ(run_to_end(QString::fromLatin1(arguments).arg(link)), 2) << arguments;
        EXPECT_FALSE(QFileInfo(link).isSymLink());
    }
}

} // namespace
