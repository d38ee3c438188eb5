// novard-cli on a pseudo-terminal that the test answers itself, and stopped by signals or by output
// that nobody reads.

#include "CliProcess.h"
#include "Pty.h"

#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A read of block 04 on a pseudo-terminal where the test is the reader.
struct CliOnPty : testing::Test {
    Pty pty;
    const QTemporaryDir no_ports;
    const QStringList on_pty { "read", "04", "--json", "--verbose", "--card-timeout", "300",
        "--port-dir", no_ports.path(), "--device", pty.device_path() };
};

// The reader is the test: bytes before the reader accepts are noise, never the card's data; a
// reader that never answers is no answer, one that accepts and never sees a card no card.
TEST_F(CliOnPty, NoiseIsShownButNeverTakenForDataSilenceIsNoAnswerAndNoCardIsNoCard)
{
    // The answer is awaited for ever where the test answers: a slow test is never no answer.
    const auto answered = [&](const QByteArray& answer) {
        QProcess process;
        start(process, on_pty + QStringList { "--ack-timeout", answer.isEmpty() ? "100" : "0" });
        EXPECT_EQ(pty.read(12, hang_ceiling_ms), "\x02R04;730914\x03");
        pty.write(answer);
        return finish(process);
    };
    // A read's reply is counted: 16 bytes, then CR. Any other shape ends at the line's quiet.
    const struct {
        const char* name;
        QByteArray reply; // after the reader's acceptance, but for noise before it
        int status;
        QString hex;
        QJsonValue text = QJsonValue::Null;
    } shapes[] = {
        { "noise, then CAN CR and more: data",
            "zz\x06\r" + QByteArray::fromHex("180d323334353637383941420d184546") + "\r", 0,
            "180d323334353637383941420d184546" },
        { "its fill left out of its text",
            QByteArray::fromHex("c4abb5e5ffff") + QByteArray(10, '\0') + "\r", 0,
            "c4abb5e5ffff" + QString(20, '0'), "카드" },
        { "a bell: no text", "A\x07" + QByteArray(14, ' ') + "\r", 0,
            "4107" + QString(14, ' ').replace(" ", "20") },
        { "short", "abc\r", 8, "6162630d" },
        { "long", QByteArray(21, 'x') + "\r", 8, QString(21, 'x').replace("x", "78") + "0d" },
        { "empty", "\r", 8, "0d" },
        { "CAN CR alone", "\x18\r", 4, "", "" },
    };
    Ran run;
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.name);
        run = answered(shape.reply.startsWith("zz") ? shape.reply : "\x06\r" + shape.reply);
        EXPECT_EQ(run.status, shape.status);
        EXPECT_EQ(json(run.out)["data_hex"], shape.hex);
        EXPECT_EQ(json(run.out)["text"], shape.text);
        EXPECT_EQ(run.err.contains("보냄: [STX] R 04;730914 [ETX] 카드 읽기 입니다.\n무시함: zz\n"),
            shape.reply.startsWith("zz"));
    }

    run = answered("");
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(json(run.out)["result"], "no_answer");
    EXPECT_TRUE(run.err.endsWith("\n리더가 응답하지 않습니다\n"));
    run = answered("\x06\r");
    EXPECT_EQ(run.status, 5);
    EXPECT_TRUE(run.err.endsWith(accepted + "카드 대기 시간이 초과되었습니다\n"));
}

TEST_F(CliOnPty, AVerifyThatFindsNoCardIsNotVerifiedAndAStoppedLineIsAPortError)
{
    // The block written, its read back finding no card: written, not verified.
    QProcess verify;
    start(verify,
        QStringList { "issue", "04", "x", "--verify", "--ack-timeout", "0" } + on_pty.mid(2));
    EXPECT_EQ(pty.read(14, hang_ceiling_ms), "\x02N04;730914;x\x03");
    pty.write("\x06\r\r");
    EXPECT_EQ(pty.read(12, hang_ceiling_ms), "\x02R04;730914\x03");
    pty.write("\x06\r");
    Ran run = finish(verify);
    EXPECT_EQ(run.status, 9);
    EXPECT_EQ(json(run.out)["result"], "verify_not_made");
    EXPECT_TRUE(run.err.endsWith(
        "블록은 썼으나 --verify가 읽어 보지 못했습니다: 카드 대기 시간이 초과되었습니다\n"));

    // A line whose output is stopped (TCOOFF, which the tool's settings never undo): the frame
    // never goes out whole, which is a port error.
    ASSERT_EQ(::tcflow(pty.slave_fd(), TCOOFF), 0);
    const QString trace = no_ports.path() + "/wire.trace";
    QProcess process;
    start(process, on_pty + QStringList { "--trace", trace });
    run = finish(process);
    EXPECT_EQ(run.status, 6);
    EXPECT_TRUE(json(run.out)["message"].toString().startsWith(
        "명령을 다 보내지 못했습니다: 12바이트 중 0바이트만 나갔습니다"));
    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray traced = file.readAll();
    EXPECT_TRUE(traced.contains(" did not\n") && !traced.contains("[ETX]")) << traced.toStdString();
}

// novard-cli on the simulated reader, which presents a card when the test says; what the tool says
// on standard error is gathered as it comes.
struct CliOnManualReader : testing::Test {
    SimulatorProcess sim { QStringList { "--manual" } };
    QProcess process;
    QString err;
    bool told(const QString& text, int count)
    {
        return wait_for(
            [&] { return (err += process.readAllStandardError()).count(text) == count; });
    }
};

// SIGINT while the second of three cards is awaited: that card still completes, the third is not
// run, the summary comes and the port's lock goes. Output that nobody reads any more starts no new
// card either.
TEST_F(CliOnManualReader, SigintOrOutputGoneEndABatchAfterTheCardInProgress)
{
    ASSERT_TRUE(sim.ready());
    start(process, { "batch", "-", "--json", "--port-dir", sim.folder() });
    process.write("op,address\nread,04\nread,05\nread,06\n");
    process.closeWriteChannel();
    ASSERT_TRUE(told(accepted, 1));
    sim.process().write("\n");
    ASSERT_TRUE(told(accepted, 2));
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(told("진행 중인 카드를 마치고 멈춥니다", 1));
    sim.process().write("\n");
    sim.process().waitForBytesWritten(hang_ceiling_ms);
    const Ran run = finish(process);
    EXPECT_EQ(run.status, 128 + SIGINT);
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(json(lines.value(1))["result"], "completed") << run.out.toStdString();
    EXPECT_TRUE(json(lines.value(2))["not_run"] == 1 && json(lines.value(2))["stopped"] == true);
    EXPECT_FALSE(QFileInfo::exists("/run/lock/LCK.."
        + QFileInfo(sim.link_path()).canonicalFilePath().mid(5).replace('/', '_')));

    // | head -1: the first card's line is read, and once head and its pipe are gone no card begins
    // (the run may see that before the next line comes).
    start(process,
        { "-o", "pipefail", "-c",
            R"("$0" batch - --port-dir "$1" | { head -1; exec 0<&-; echo gone >&2; })", NOVARD_CLI,
            sim.folder() },
        "/bin/bash");
    process.write("op,address\nread,04\n");
    err.clear();
    ASSERT_TRUE(told(accepted, 1));
    sim.process().write("\n");
    ASSERT_TRUE(told("gone", 1));
    process.write("read,05\n");
    const Ran head = finish(process);
    EXPECT_EQ(head.status, 7) << head.err.toStdString();
    EXPECT_EQ(head.out, "2\tread\t04\tcompleted\t" + QString(16, ' ') + "\n");
    EXPECT_TRUE(
        (err + head.err).contains(QRegularExpression("일괄 처리: .줄 중 1줄 완료, 0줄 실패")));
}

// Stopped at once while a card is awaited, a batch by a second SIGINT, one command by SIGTERM: the
// card whose frame went out is told with its row, apart from the cards never run.
TEST_F(CliOnManualReader, AStopWhileACardIsAwaitedTellsThatCardApartFromTheCardsNeverRun)
{
    ASSERT_TRUE(sim.ready());
    for (const auto& [arguments, stop] : { std::pair { QStringList { "batch", "-" }, SIGINT },
             std::pair { QStringList { "issue", "05", "x" }, SIGTERM } }) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        start(process, arguments + QStringList { "--json", "--port-dir", sim.folder() });
        process.write("op,address\nread,04\nread,05\n");
        err.clear();
        ASSERT_TRUE(told("카드를 대어 주세요", 1));
        ::kill(pid_t(process.processId()), stop);
        if (stop == SIGINT) {
            ASSERT_TRUE(told("진행 중인 카드를 마치고 멈춥니다", 1));
            ::kill(pid_t(process.processId()), SIGINT);
        }
        const Ran stopped = finish(process);
        EXPECT_EQ(stopped.status, 128 + stop);
        const QStringList rows = stopped.out.split(u'\n', Qt::SkipEmptyParts);
        EXPECT_EQ(json(rows.value(0))["result"], "interrupted") << stopped.out.toStdString();
        EXPECT_TRUE(rows.size() == 1
            || (json(rows.value(1))["interrupted"] == 1 && json(rows.value(1))["not_run"] == 1));
    }
}

} // namespace
