// novard-cli as a shell meets it: a process on the simulated reader's pseudo-terminal, or on one
// that the test answers itself. What it prints, what it says on standard error, how it exits.

#include "HangCeiling.h"
#include "Pty.h"
#include "SimulatorProcess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

namespace {

const QString accepted = "읽기 명령 전송 완료 -> 카드를 대어 주세요\n";

struct Ran {
    int status = -1;
    QString out, err;
};

// Korean, as on a desktop whose locale names no language; a language chosen with --language on a
// desktop of the other one, so that a text following the desktop shows.
void start(QProcess& cli, const QStringList& arguments, const QString& program = NOVARD_CLI)
{
    die_with_test(cli);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LANGUAGE"));
    const QString chosen = arguments.value(arguments.indexOf("--language") + 1);
    environment.insert("LC_ALL",
        QMap<QString, QString> { { "en", "ko_KR.UTF-8" }, { "ko", "en_US.UTF-8" } }.value(
            chosen, "C.UTF-8"));
    cli.setProcessEnvironment(environment);
    cli.start(program, arguments);
}

Ran finish(QProcess& cli, const QByteArray& input = {})
{
    cli.write(input);
    cli.closeWriteChannel();
    Ran run;
    if ((cli.state() == QProcess::NotRunning || cli.waitForFinished(hang_ceiling_ms))
        && cli.exitStatus() == QProcess::NormalExit)
        run.status = cli.exitCode();
    run.out = QString::fromUtf8(cli.readAllStandardOutput());
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

Ran cli(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    start(process, arguments);
    return finish(process, input);
}

QJsonObject json(const QString& line)
{
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

// The simulated reader, fresh for each test and each row: none inherits another's cards.
class CliOnSimulator : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.ready()); }
    Ran run(const QStringList& arguments, const QByteArray& input = {})
    {
        return cli(arguments + QStringList { "--port-dir", sim.folder() }, input);
    }
    SimulatorProcess sim { { "--delay", "0" } };
};

struct CommandRow {
    const char* name;
    QStringList before; // a command that completes first, on the same reader
    QStringList arguments;
    int status;
    QString out, err; // {folder} and {link}: the simulator's folder and COM1's link
    QByteArray input = {};
};

class CliCommand : public CliOnSimulator, public testing::WithParamInterface<CommandRow> { };

// A CSV file as a Korean spreadsheet saves it: CP949.
const QByteArray cp949_file = "op,address,data\nissue,08,\xC4\xAB\xB5\xE5\nread,08,\n";
// Lines two encodings read differently ("짧징" and "째C" in CP949), then "카드" in UTF-8.
const QByteArray mixed_file = "op,address,data\nissue,08,\xC2\xAA\xC2\xA1\nissue,08,\xC2\xB0"
                              "C\nissue,09,\xEC\xB9\xB4\xEB\x93\x9C\n";
const QString issued = "발행 명령 전송 완료 -> 카드를 대어 주세요\n카드 발행 완료\n";
const QString ambiguous = "번째 줄: UTF-8로 읽으면 “issue,08,%1”, CP949로 읽으면 "
                          "“issue,08,%2”입니다. --input-encoding utf-8 또는 cp949로 파일의 "
                          "인코딩을 정하십시오\n";

const CommandRow command_rows[] = {
    { "read_back_in_utf8_its_text_beneath", { "issue", "06", "카드", "--card-encoding", "utf-8" },
        { "read", "6", "--card-encoding", "utf-8" }, 0,
        "\u00EC\u00B9\u00B4\u00EB\u201C\u0153" + QString(10, ' ') + "\ntext: 카드"
            + QString(10, ' ') + "\n",
        accepted + "카드 읽기 완료\n" },
    { "sixteen_characters_pass_read_back", {}, { "modify", "05", "1234567890123456 ", "--verify" },
        0, "",
        "수정 명령 전송 완료 -> 카드를 대어 주세요\n카드 수정 완료\n" + accepted
            + "카드 읽기 완료\n" },
    { "dev_zero_ends_at_once", {}, { "batch", "/dev/zero" }, 2, "1\t\t\tbad_input\t\n",
        "1번째 줄: 줄이 4096바이트보다 깁니다; 나머지 입력은 읽지 않습니다\n"
        "일괄 처리: 1줄 중 0줄 완료, 1줄 실패, 0줄 실행 안 함\n" },
    { "a_cp949_file_read_as_cp949", {}, { "batch", "-", "--input-encoding", "cp949" }, 0,
        "2\tissue\t08\tcompleted\t\n3\tread\t08\tcompleted\t\u00C4\u00AB\u00B5\u00E5"
            + QString(12, ' ') + "\ttext: 카드" + QString(12, ' ') + "\n",
        issued + accepted
            + "카드 읽기 완료\n일괄 처리: 2줄 중 2줄 완료, 0줄 실패, 0줄 실행 안 함\n",
        cp949_file },
    { "a_cp949_file_read_as_utf8", {}, { "batch", "-", "--stop-on-error" }, 2,
        "2\t\t\tbad_input\t\n",
        "2번째 줄: 오프셋 11의 바이트(0xB5)부터 올바른 UTF-8이(가) 아닙니다\n"
        "일괄 처리: 2줄 중 0줄 완료, 1줄 실패, 1줄 실행 안 함\n",
        cp949_file },
    { "a_guess_refused_utf8_hangul_read_as_ever", {}, { "batch", "-" }, 2,
        "2\t\t\tbad_input\t\n3\t\t\tbad_input\t\n4\tissue\t09\tcompleted\t\n",
        "2" + ambiguous.arg("ª¡", "짧징") + "3" + ambiguous.arg("°C", "째C") + issued
            + "일괄 처리: 3줄 중 1줄 완료, 2줄 실패, 0줄 실행 안 함\n",
        mixed_file },
    { "cp949_as_told_utf8_hangul_in_it_refused", {}, { "batch", "-", "--input-encoding", "cp949" },
        2, "2\tissue\t08\tcompleted\t\n3\tissue\t08\tcompleted\t\n4\t\t\tbad_input\t\n",
        issued + issued + "4번째 줄: --input-encoding cp949인데 UTF-8로 쓴 "
            + "한글(“issue,09,카드”)이 있습니다. 인코딩이 섞인 파일입니다\n"
            + "일괄 처리: 3줄 중 2줄 완료, 1줄 실패, 0줄 실행 안 함\n",
        mixed_file },
    { "block_0_the_answer_awaited_for_ever", {}, { "read", "00", "--ack-timeout", "0" }, 3, "",
        "읽기 명령 에러\n" },
    { "in_english", {}, { "read", "05", "--language", "en", "--key", "000000" }, 4, "",
        "Read command sent -> please present the card\nRead error (please check the 6-byte Key "
        "A)\n" },
    { "a_missing_port_in_korean", {}, { "read", "04", "--port", "COM2", "--language", "ko" }, 6, "",
        "COM2 포트를 열 수 없습니다: {folder}/COM2: 그런 파일이나 디렉터리가 없습니다\n" },
    { "the_numbering", {}, { "ports" }, 0, "COM1 {link}\n", "" },
    { "no_batch_file", {}, { "batch", "/nonexistent.csv", "--language", "en" }, 2, "",
        "novard-cli: cannot read '/nonexistent.csv': No such file or directory\n" },
    { "a_bad_option", {}, { "read", "04", "--port", "COM17" }, 2, "",
        "novard-cli: --port takes COM1 to COM16, not 'COM17'\n" },
};

TEST_P(CliCommand, GivesTheWindowsMessagesItsResultsAndItsExitStatus)
{
    const CommandRow& row = GetParam();
    ASSERT_EQ(row.before.isEmpty() ? 0 : run(row.before).status, 0) << "the command before";
    const auto here = [&](QString text) {
        return text.replace("{folder}", sim.folder()).replace("{link}", sim.link_path());
    };
    const Ran ran = run(row.arguments, row.input);
    EXPECT_EQ(ran.status, row.status);
    EXPECT_EQ(ran.out, here(row.out));
    EXPECT_EQ(ran.err, here(row.err));
}

INSTANTIATE_TEST_SUITE_P(Cli, CliCommand, testing::ValuesIn(command_rows),
    [](const testing::TestParamInfo<CommandRow>& row) { return std::string(row.param.name); });

// Refused before the port opens, in one line naming the field.
TEST_F(CliOnSimulator, BadFieldsAreRefusedInOneLineNamingTheField)
{
    const std::pair<QStringList, QString> refusals[] = {
        { { "issue", "08", "\x02N08;730914;EVIL" }, "data: holds the control character 0x02," },
        { { "issue", "04", "a\u0085" }, "data: holds the control character 0x85," },
        { { "read", "04", "--key", "730914;EVIL" }, "key: holds ';', which separates the fields" },
        { { "read", "0004" }, "address: 1 to 3 decimal digits, not '0004'" },
        { { "read", "04", "--key", QString(33, 'k') }, "key: 33 characters; it holds at most 32" },
        { { "issue", "04", "가나다라마바사아자" },
            "data: 9 characters are 18 bytes in CP949; a block holds 16" },
        { { "issue", "04", "가😀" }, "data: “😀” (U+1F600) cannot be written in CP949" },
    };
    for (const auto& [arguments, why] : refusals) {
        SCOPED_TRACE(why.toStdString());
        const Ran ran = run(arguments + QStringList { "--language", "en" });
        EXPECT_EQ(ran.status, 2);
        EXPECT_TRUE(ran.err.startsWith(why) && ran.err.count(u'\n') == 1) << ran.err.toStdString();
    }
}

// The fields trimmed; the wire as the window's trace shows it; the reading as one JSON object, its
// bytes CP949 as the Windows tool wrote them.
TEST_F(CliOnSimulator, AReadIsOneJsonObjectAndTheTraceShowsTheWire)
{
    ASSERT_EQ(run({ "issue", " 04 ", "  a;b 카드  " }).err, issued);
    const QString trace = sim.folder() + "/wire.trace";
    const QJsonObject read = json(run({ "read", "04", "--json", "--trace", trace }).out);
    EXPECT_EQ(read["message"], "카드 읽기 완료");
    EXPECT_EQ(read["data_hex"], "613b6220c4abb5e52020202020202020");
    EXPECT_EQ(read["text"], "a;b 카드        ");
    EXPECT_GE(read["elapsed_ms"].toInt(), 19) << "19 bytes at 9600 baud";
    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray traced = file.readAll();
    EXPECT_TRUE(traced.contains("sent  52 30 34 3B 37 33 30 39 31 34  R04;730914"));
    EXPECT_TRUE(traced.trimmed().endsWith("close " + QFile::encodeName(sim.folder()) + "/COM1"));
}

// A batch from standard input: each line in its turn, bad ones told with their numbers and skipped
// (bytes that are not UTF-8 among them), a summary last; the first failure's status. Lines end at
// LF, CR LF or CR.
TEST_F(CliOnSimulator, ABatchRunsEachGoodLineAndTellsEachBadOneByItsNumber)
{
    const QStringList batch = { "batch", "-", "--port-dir", sim.folder() };
    const QByteArray input
        = "data,op,address,key\n\"x,\"\"y\"\"\",issue,06,\nbogus,04\n,\x1B]0;title\x07,04,\n"
          "12345678901234567,issue,06,\r\n\r,read,06,\r,read,08,000000\n,read,09\xff,\n";
    const Ran batched = run({ "batch", "-", "--json" }, input);
    const QStringList lines = batched.out.split(u'\n', Qt::SkipEmptyParts);
    QStringList results;
    for (const QString& line : lines)
        results.append(
            json(line)["line"].toVariant().toString() + ' ' + json(line)["result"].toString());
    EXPECT_EQ(results.join(", "),
        "2 completed, 3 bad_input, 4 bad_input, 5 bad_input, 7 completed, 8 card_failed, 9 "
        "bad_input,  bad_input");
    EXPECT_EQ(json(lines.value(4))["data"], "x,\"y\"           ");
    EXPECT_EQ(batched.status, 2);
    EXPECT_TRUE(
        batched.err.contains("4번째 줄: 알 수 없는 op '[ESC]]0;title[BEL]' (read, issue, modify 중 "
                             "하나)\n"));
    // In Korean no English word but names: ports, Key A, the file's columns, the command words.
    EXPECT_FALSE(QString(batched.err)
                     .remove(QRegularExpression(
                         R"(COM\d+|0x[0-9A-F]+|Key A : 6 Byte|novard-cli|'[^']*'|/\S*|)"
                         R"(\b(CSV|JSON|UTF|read|issue|modify|op|address|key|data)\b)"))
                     .contains(QRegularExpression("[A-Za-z]{2,}")))
        << batched.err.toStdString();
    EXPECT_TRUE(batched.err.contains(
        "9번째 줄: 오프셋 8의 바이트(0xFF)부터 올바른 UTF-8이(가) 아닙니다\n"));

    // A program that keeps its pipe open gets each card as its line arrives.
    QProcess kept_open;
    start(kept_open, batch + QStringList { "--json" });
    kept_open.write("op,address\nread,04\n");
    ASSERT_TRUE(wait_for([&] { return kept_open.canReadLine(); }));
    EXPECT_EQ(json(kept_open.readLine())["result"], "completed");
    EXPECT_EQ(finish(kept_open).status, 0);
}

// A card that does not keep what it is sent is found by reading the block back.
TEST(Cli, VerifyFindsACardThatDoesNotKeepWhatItIsSent)
{
    SimulatorProcess forgetful({ "--delay", "0", "--forgetful" });
    ASSERT_TRUE(forgetful.ready());
    const Ran unkept
        = cli({ "issue", "04", "x", "--verify", "--json", "--port-dir", forgetful.folder() });
    EXPECT_EQ(unkept.status, 4);
    EXPECT_EQ(json(unkept.out)["result"], "verify_failed");
    EXPECT_EQ(json(unkept.out)["written_hex"], "78" + QString(30, '0').replace("00", "20"));
}

// The reader is the test: bytes before the reader accepts are noise, never the card's data; a
// reader that never answers is no answer, one that accepts and never sees a card no card.
TEST(Cli, NoiseIsShownButNeverTakenForDataSilenceIsNoAnswerAndNoCardIsNoCard)
{
    Pty pty;
    const QTemporaryDir no_ports;
    const QStringList on_pty { "read", "04", "--json", "--verbose", "--card-timeout", "300",
        "--port-dir", no_ports.path(), "--device", pty.device_path() };
    // The answer is awaited for ever where the test answers: a slow test is never no answer.
    const auto answered = [&](const QByteArray& answer) {
        QProcess process;
        start(process, on_pty + QStringList { "--ack-timeout", answer.isEmpty() ? "100" : "0" });
        EXPECT_EQ(pty.read(12, hang_ceiling_ms), "\x02R04;730914\x03");
        pty.write(answer);
        return finish(process);
    };
    Ran run = answered("zz\x06\r0123456789ABCDEF\r");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(json(run.out)["data"], "0123456789ABCDEF");
    EXPECT_TRUE(run.err.contains("보냄: [STX] R 04;730914 [ETX] 카드 읽기 입니다.\n무시함: zz\n"))
        << run.err.toStdString();

    // A read's reply is counted: 16 bytes, then CR. Any other shape ends at the line's quiet.
    const struct {
        const char* name;
        QByteArray block;
        int status;
        QString hex;
        QJsonValue text = QJsonValue::Null;
    } shapes[] = {
        { "CAN CR, then more: data", QByteArray::fromHex("180d323334353637383941420d184546") + "\r",
            0, "180d323334353637383941420d184546" },
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
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.name);
        run = answered("\x06\r" + shape.block);
        EXPECT_EQ(run.status, shape.status);
        EXPECT_EQ(json(run.out)["data_hex"], shape.hex);
        EXPECT_EQ(json(run.out)["text"], shape.text);
    }

    run = answered("");
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(json(run.out)["result"], "no_answer");
    EXPECT_TRUE(run.err.endsWith("\n리더가 응답하지 않습니다\n"));
    run = answered("\x06\r");
    EXPECT_EQ(run.status, 5);
    EXPECT_TRUE(run.err.endsWith(accepted + "카드 대기 시간이 초과되었습니다\n"));

    // The block written, its read back finding no card: written, not verified.
    QProcess verify;
    start(verify,
        QStringList { "issue", "04", "x", "--verify", "--ack-timeout", "0" } + on_pty.mid(2));
    EXPECT_EQ(pty.read(14, hang_ceiling_ms), "\x02N04;730914;x\x03");
    pty.write("\x06\r\r");
    EXPECT_EQ(pty.read(12, hang_ceiling_ms), "\x02R04;730914\x03");
    pty.write("\x06\r");
    run = finish(verify);
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

// SIGINT while the second of three cards is awaited: that card still completes, the third is not
// run, the summary comes and the port's lock goes. Output that nobody reads any more starts no new
// card either; and while a card is awaited, the device is busy under any other name.
TEST(Cli, SigintOrOutputGoneEndABatchAfterTheCardInProgressAndADeviceIsOnePort)
{
    SimulatorProcess sim({ "--manual" });
    ASSERT_TRUE(sim.ready());
    QProcess process;
    start(process, { "batch", "-", "--json", "--port-dir", sim.folder() });
    process.write("op,address\nread,04\nread,05\nread,06\n");
    process.closeWriteChannel();
    QString err;
    const auto told = [&](const QString& text, int count) {
        return wait_for(
            [&] { return (err += process.readAllStandardError()).count(text) == count; });
    };
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

    // The link's device by its own node, while the link's card is awaited.
    start(process, { "read", "04", "--device", sim.link_path() });
    err.clear();
    ASSERT_TRUE(told(accepted, 1));
    const Ran by_node
        = cli({ "read", "04", "--device", QFileInfo(sim.link_path()).canonicalFilePath() });
    EXPECT_EQ(by_node.status, 6) << by_node.err.toStdString();
    sim.process().write("\n");
    sim.process().waitForBytesWritten(hang_ceiling_ms);
    EXPECT_EQ(finish(process).status, 0);

    // Stopped at once while a card is awaited, a batch by a second SIGINT, one command by SIGTERM:
    // the card whose frame went out is told with its row, apart from the cards never run.
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
