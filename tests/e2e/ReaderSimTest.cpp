// The simulated card reader on its own, through its real pseudo-terminal: the answers the tool
// relies on, their pace, and the program's life (link, signals, options).

#include "LineEnd.h"
#include "SimulatorProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <ostream>

namespace {

const QByteArray ack_cr("\x06\r");
const QByteArray nak_cr("\x15\r");
const QByteArray can_cr("\x18\r");
const QByteArray cr("\r");
const QByteArray blank_block(16, ' ');
constexpr int card_delay_ms = 30;
// Long enough after the card delay for an answer that should not come.
constexpr int quiet_window_ms = card_delay_ms + 150;

QByteArray frame(const QByteArray& body)
{
    return '\x02' + body + '\x03';
}

QStringList fast_card(const QStringList& more = {})
{
    return QStringList { QStringLiteral("--delay"), QString::number(card_delay_ms) } + more;
}

class ReaderSim : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim_.ready());
        ASSERT_TRUE(line_.is_open());
    }

    // The whole exchange of one command: the immediate answer, then the card's.
    void expect_exchange(
        const QByteArray& body, const QByteArray& at_once, const QByteArray& with_card)
    {
        line_.write(frame(body));
        EXPECT_EQ(line_.read(at_once.size()), at_once) << body.constData();
        EXPECT_EQ(line_.read(with_card.size()), with_card) << body.constData();
    }

    QByteArray read_block(const QByteArray& address)
    {
        line_.write(frame("R" + address + ";730914"));
        if (line_.read(2) != ack_cr)
            return "(no ACK CR)";
        return line_.read(17);
    }

    SimulatorProcess sim_ { fast_card() };
    LineEnd line_ { sim_.link_path() };
};

TEST_F(ReaderSim, ReadOfBlankBlockAnswersAckCrThenSixteenSpacesAndCr)
{
    // The tool writes STX, the body and ETX separately.
    line_.write("\x02");
    line_.write("R04;730914");
    line_.write("\x03");
    EXPECT_EQ(line_.read(2), ack_cr);
    EXPECT_EQ(line_.read(17), blank_block + cr);
    EXPECT_EQ(line_.read_for(quiet_window_ms), QByteArray());
}

struct Written {
    const char* name;
    // Listed by name in test output.
    friend void PrintTo(const Written& row, std::ostream* os) { *os << row.name; }
    QByteArray body;
    QByteArray address;
    QByteArray block_after;
};

class ReaderSimWrite : public ReaderSim, public testing::WithParamInterface<Written> { };

TEST_P(ReaderSimWrite, StoresPaddedDataThatReadsBack)
{
    const Written& w = GetParam();
    expect_exchange(w.body, ack_cr, cr);
    EXPECT_EQ(read_block(w.address), w.block_after + cr);
}

INSTANTIATE_TEST_SUITE_P(Issues, ReaderSimWrite,
    testing::Values(Written { "NewIssueShort", "N04;730914;hello", "04", "hello           " },
        Written { "NewIssueFullBlock", "N05;730914;0123456789ABCDEF", "5", "0123456789ABCDEF" },
        Written { "ModifyIssue", "W62;730914;TEST-PATTERN", "62", "TEST-PATTERN    " },
        Written { "EmptyDataBlanksTheBlock", "W01;730914;", "1", blank_block },
        Written { "SemicolonsBelongToTheData", "N08;730914;a;b;c", "08", "a;b;c           " },
        Written { "Utf8BytesStoredRaw", "N09;730914;\xED\x95\x9C\xEA\xB8\x80", "9",
            "\xED\x95\x9C\xEA\xB8\x80          " },
        Written { "LeadingZerosInAddress", "N0010;730914;x", "10", "x               " }),
    [](const testing::TestParamInfo<Written>& info) { return std::string(info.param.name); });

TEST_F(ReaderSim, ModifyIssueReplacesWhatNewIssueWrote)
{
    expect_exchange("N06;730914;first version 12", ack_cr, cr);
    expect_exchange("W06;730914;second", ack_cr, cr);
    EXPECT_EQ(read_block("06"), "second          " + cr);
    EXPECT_EQ(read_block("05"), blank_block + cr);
}

TEST_F(ReaderSim, WrongKeyAnswersCanAndStoresNothing)
{
    expect_exchange("R04;000000", ack_cr, can_cr);
    expect_exchange("N04;73091;data", ack_cr, can_cr);
    expect_exchange("W04;7309145;data", ack_cr, can_cr);
    expect_exchange("W04;;data", ack_cr, can_cr);
    EXPECT_EQ(read_block("04"), blank_block + cr);
}

TEST_F(ReaderSim, NewFrameReplacesTheCommandAwaitingTheCard)
{
    line_.write(frame("R04;730914") + frame("W04;730914;later"));
    EXPECT_EQ(line_.read(4), ack_cr + ack_cr);
    EXPECT_EQ(line_.read_for(quiet_window_ms), cr);
    EXPECT_EQ(read_block("04"), "later           " + cr);
}

TEST_F(ReaderSim, BytesOutsideAFrameAreIgnored)
{
    line_.write("hello\x03\r\n\x06");
    EXPECT_EQ(line_.read_for(quiet_window_ms), QByteArray());
    line_.write("junk" + frame("R04;730914") + "more junk");
    EXPECT_EQ(line_.read(19), ack_cr + blank_block + cr);
    EXPECT_EQ(line_.read_for(quiet_window_ms), QByteArray());
}

TEST_F(ReaderSim, FrameCutByANewStxIsRefusedAndTheNewOneTaken)
{
    line_.write("\x02R04;730914" + frame("R05;730914"));
    EXPECT_EQ(line_.read(21), nak_cr + ack_cr + blank_block + cr);
}

TEST_F(ReaderSim, FrameOverrunningWithoutEtxIsRefused)
{
    line_.write("\x02W04;730914;" + QByteArray(300, 'x'));
    EXPECT_EQ(line_.read(2), nak_cr);
    line_.write("\x03");
    EXPECT_EQ(line_.read_for(quiet_window_ms), QByteArray());
}

TEST_F(ReaderSim, DeviceClosedAndReopenedStillAnswers)
{
    // The tool's port search opens and closes the device before it settles on it.
    for (int i = 0; i < 3; ++i)
        LineEnd probe(sim_.link_path());
    LineEnd again(sim_.link_path());
    again.write(frame("R04;730914"));
    EXPECT_EQ(again.read(19), ack_cr + blank_block + cr);
}

TEST_F(ReaderSim, AnswersGoOutAtTheLinePace)
{
    line_.write(frame("R04;730914"));
    const std::vector<LineEnd::Chunk> chunks = line_.read_chunks(19);
    QByteArray all;
    for (const LineEnd::Chunk& chunk : chunks)
        all += chunk.bytes;
    ASSERT_EQ(all, ack_cr + blank_block + cr);
    // The card's 17 bytes take 17.7 ms after the card delay, however late anything is scheduled;
    // sent all at once they would arrive right after the delay.
    EXPECT_GE(chunks.back().at_ms, card_delay_ms + 15);
}

struct Refused {
    const char* name;
    // Listed by name in test output.
    friend void PrintTo(const Refused& row, std::ostream* os) { *os << row.name; }
    QByteArray sent;
};

class ReaderSimRefusal : public ReaderSim, public testing::WithParamInterface<Refused> { };

TEST_P(ReaderSimRefusal, AnswersNakCrAndNothingWithTheCard)
{
    line_.write(GetParam().sent);
    EXPECT_EQ(line_.read(2), nak_cr);
    EXPECT_EQ(line_.read_for(quiet_window_ms), QByteArray());
}

INSTANTIATE_TEST_SUITE_P(Frames, ReaderSimRefusal,
    testing::Values(Refused { "SectorTrailer03", frame("R03;730914") },
        Refused { "SectorTrailer63", frame("W63;730914;x") },
        Refused { "MakersBlock", frame("R00;730914") },
        Refused { "BeyondTheCard", frame("R64;730914") },
        Refused { "HugeBlockNumber", frame("R99999999999999999999;730914") },
        Refused { "AddressNotDecimal", frame("Rx1;730914") },
        Refused { "AddressSigned", frame("R+4;730914") },
        Refused { "AddressWithSpace", frame("R 4;730914") },
        Refused { "AddressEmpty", frame("R;730914") }, Refused { "ReadWithoutKey", frame("R04") },
        Refused { "ReadWithExtraField", frame("R04;730914;data") },
        Refused { "IssueWithoutData", frame("N04;730914") },
        Refused { "ModifyWithoutKey", frame("W04") }, Refused { "OnlyTheLetter", frame("R") },
        Refused { "EmptyFrame", frame("") }, Refused { "UnknownLetter", frame("X04;730914") },
        Refused { "LowerCaseLetter", frame("r04;730914") },
        Refused { "DataOf17Bytes", frame("N04;730914;0123456789ABCDEFG") },
        Refused { "Utf8DataOver16Bytes",
            frame("N04;730914;\xED\x95\x9C\xED\x95\x9C\xED\x95\x9C"
                  "\xED\x95\x9C\xED\x95\x9C\xED\x95\x9C") },
        Refused { "NoEtxBeforeNextStx", "\x02R04;730914\x02" }),
    [](const testing::TestParamInfo<Refused>& info) { return std::string(info.param.name); });

TEST(ReaderSimCard, KeyOptionSetsEverySectorsKeyA)
{
    SimulatorProcess sim(fast_card({ QStringLiteral("--key"), QStringLiteral("AbC123") }));
    ASSERT_TRUE(sim.ready());
    LineEnd line(sim.link_path());
    for (const QByteArray& address : { QByteArray("1"), QByteArray("30"), QByteArray("62") }) {
        line.write(frame("R" + address + ";730914"));
        EXPECT_EQ(line.read(4), ack_cr + can_cr) << address.constData();
        line.write(frame("R" + address + ";AbC123"));
        EXPECT_EQ(line.read(19), ack_cr + blank_block + cr) << address.constData();
    }
}

TEST(ReaderSimCard, AnswerSentWhileTheDeviceIsClosedIsLost)
{
    SimulatorProcess sim(fast_card());
    ASSERT_TRUE(sim.ready());
    {
        LineEnd leaving(sim.link_path());
        leaving.write(frame("R04;730914"));
        EXPECT_EQ(leaving.read(2), ack_cr);
    }
    QThread::msleep(quiet_window_ms);
    LineEnd returning(sim.link_path());
    EXPECT_EQ(returning.read_for(quiet_window_ms), QByteArray());
    returning.write(frame("R04;730914"));
    EXPECT_EQ(returning.read(19), ack_cr + blank_block + cr);
}

TEST(ReaderSimCard, CardComesAfterTheDelay)
{
    SimulatorProcess sim({ QStringLiteral("--delay"), QStringLiteral("150") });
    ASSERT_TRUE(sim.ready());
    LineEnd line(sim.link_path());
    line.write(frame("R04;730914"));
    const std::vector<LineEnd::Chunk> chunks = line.read_chunks(19);
    ASSERT_FALSE(chunks.empty());
    EXPECT_TRUE(chunks.front().bytes.startsWith('\x06'));
    EXPECT_LT(chunks.front().at_ms, 100);
    EXPECT_GE(chunks.back().at_ms, 150);
}

TEST(ReaderSimCard, ManualCardComesWithEnter)
{
    SimulatorProcess sim(
        { QStringLiteral("--manual"), QStringLiteral("--delay"), QStringLiteral("0") });
    ASSERT_TRUE(sim.ready());
    LineEnd line(sim.link_path());
    line.write(frame("W05;730914;by hand"));
    EXPECT_EQ(line.read(2), ack_cr);
    EXPECT_EQ(line.read_for(300), QByteArray());
    sim.press_enter();
    EXPECT_EQ(line.read(1), cr);
    // Enter with no card awaited does nothing.
    sim.press_enter();
    EXPECT_EQ(line.read_for(100), QByteArray());
    line.write(frame("R05;730914"));
    EXPECT_EQ(line.read(2), ack_cr);
    sim.press_enter();
    EXPECT_EQ(line.read(17), "by hand         " + cr);
}

TEST(ReaderSimCard, VerboseLogsFramesAndAnswersByByteName)
{
    SimulatorProcess sim(fast_card({ QStringLiteral("--verbose") }));
    ASSERT_TRUE(sim.ready());
    LineEnd line(sim.link_path());
    line.write(frame("R04;000000"));
    EXPECT_EQ(line.read(4), ack_cr + can_cr);
    line.write(frame("R03;730914"));
    EXPECT_EQ(line.read(2), nak_cr);
    ASSERT_TRUE(sim.stop());
    const QString log = QString::fromUtf8(sim.process().readAllStandardError());
    EXPECT_TRUE(log.contains(QStringLiteral("[STX]R04;000000[ETX]"))) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("[STX]R03;730914[ETX]"))) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("[ACK][CR]"))) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("[CAN][CR]"))) << qPrintable(log);
    EXPECT_TRUE(log.contains(QStringLiteral("[NAK][CR]"))) << qPrintable(log);
}

class ReaderSimStop : public testing::TestWithParam<int> { };

TEST_P(ReaderSimStop, SignalRemovesTheLinkAndExitsZero)
{
    SimulatorProcess sim(fast_card());
    ASSERT_TRUE(sim.ready());
    ASSERT_TRUE(QFileInfo(sim.link_path()).isSymLink());
    ::kill(pid_t(sim.process().processId()), GetParam());
    ASSERT_TRUE(sim.process().waitForFinished(3000));
    EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.process().exitCode(), 0);
    EXPECT_FALSE(QFileInfo(sim.link_path()).isSymLink());
}

INSTANTIATE_TEST_SUITE_P(Signals, ReaderSimStop, testing::Values(SIGTERM, SIGINT, SIGHUP),
    [](const testing::TestParamInfo<int>& info) { return std::string(sigabbrev_np(info.param)); });

int run_to_end(const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(SimulatorProcess::program(), arguments);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

TEST(ReaderSimOptions, HelpExitsZeroAndNamesEveryOption)
{
    QByteArray help;
    EXPECT_EQ(run_to_end({ QStringLiteral("--help") }, &help), 0);
    for (const char* option : { "--link", "--key", "--delay", "--manual", "--verbose", "--version",
             "--help", "730914", "(0x20)" })
        EXPECT_TRUE(help.contains(option)) << option;
}

TEST(ReaderSimOptions, VersionExitsZero)
{
    QByteArray version;
    EXPECT_EQ(run_to_end({ QStringLiteral("--version") }, &version), 0);
    EXPECT_TRUE(version.startsWith("novard-reader-sim ")) << version.constData();
}

TEST(ReaderSimOptions, BadOptionsExitTwoWithoutMakingALink)
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("COM1"));
    const QList<QStringList> cases {
        { QStringLiteral("--bogus"), link },
        { QStringLiteral("--key"), QStringLiteral("12345"), link },
        { QStringLiteral("--key"), QStringLiteral("1234567"), link },
        { QStringLiteral("--delay"), QStringLiteral("soon"), link },
        { QStringLiteral("--delay"), QStringLiteral("-1"), link },
        { QStringLiteral("--delay") },
        { link, link + u'2' },
        { QStringLiteral("--link"), link, link + u'2' },
    };
    for (const QStringList& arguments : cases) {
        EXPECT_EQ(run_to_end(arguments), 2) << qPrintable(arguments.join(u' '));
        EXPECT_FALSE(QFileInfo(link).isSymLink());
    }
}

// Started with a link path of the test's choosing: true once it printed that path.
bool start_linked(QProcess& process, const QStringList& arguments, const QString& link)
{
    process.start(SimulatorProcess::program(), arguments);
    return process.waitForReadyRead(5000) && process.readLine().trimmed() == link.toLocal8Bit();
}

TEST(ReaderSimOptions, PositionalPathServesAsTheLink)
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("COM3"));
    QProcess process;
    ASSERT_TRUE(start_linked(process, fast_card({ link }), link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    LineEnd line(link);
    line.write(frame("R04;730914"));
    EXPECT_EQ(line.read(2), ack_cr);
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(3000));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(ReaderSimOptions, DanglingLinkIsReplaced)
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("COM1"));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("gone")), link));
    QProcess process;
    ASSERT_TRUE(start_linked(process, fast_card({ QStringLiteral("--link"), link }), link));
    LineEnd line(link);
    line.write(frame("R04;730914"));
    EXPECT_EQ(line.read(2), ack_cr);
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(3000));
}

TEST(ReaderSimOptions, ExistingFileOrLiveLinkIsNotReplaced)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("COM1"));
    QFile existing(file);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep");
    existing.close();
    EXPECT_EQ(run_to_end({ QStringLiteral("--link"), file }), 1);
    EXPECT_FALSE(QFileInfo(file).isSymLink());

    SimulatorProcess running(fast_card());
    ASSERT_TRUE(running.ready());
    EXPECT_EQ(run_to_end({ QStringLiteral("--link"), running.link_path() }), 1);
    LineEnd line(running.link_path());
    line.write(frame("R04;730914"));
    EXPECT_EQ(line.read(2), ack_cr);
}

} // namespace
