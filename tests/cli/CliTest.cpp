// novard-cli on the simulated reader's pseudo-terminal: each command, a batch, the trace.

#include "CliProcess.h"

#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace {

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
        "\u00EC\u00B9\u00B4\u00EB\u201C\u0153" + QString(10, ' ') + "\n텍스트: 카드"
            + QString(10, ' ') + "\n",
        accepted + "카드 읽기 완료\n" },
    { "sixteen_characters_pass_read_back", {}, { "modify", "05", "1234567890123456 ", "--verify" },
        0, "",
        "수정 명령 전송 완료 -> 카드를 대어 주세요\n카드 수정 완료\n" + accepted
            + "카드 읽기 완료\n" },
    { "dev_zero_ends_at_once", {}, { "batch", "/dev/zero" }, 2, "1\t\t\tbad_input\t\n",
        "1번째 줄: 4096바이트보다 깁니다. 나머지 입력은 읽지 않습니다\n"
        "일괄 처리: 1줄 중 0줄 완료, 1줄 실패, 0줄 실행 안 함\n" },
    { "a_cp949_file_read_as_cp949", {}, { "batch", "-", "--input-encoding", "cp949" }, 0,
        "2\tissue\t08\tcompleted\t\n3\tread\t08\tcompleted\t\u00C4\u00AB\u00B5\u00E5"
            + QString(12, ' ') + "\t텍스트: 카드" + QString(12, ' ') + "\n",
        issued + accepted
            + "카드 읽기 완료\n일괄 처리: 2줄 중 2줄 완료, 0줄 실패, 0줄 실행 안 함\n",
        cp949_file },
    { "a_cp949_file_read_as_utf8", {}, { "batch", "-", "--stop-on-error" }, 2,
        "2\t\t\tbad_input\t\n",
        "2번째 줄: 오프셋 11의 바이트(0xB5)부터 UTF-8 인코딩으로 읽을 수 없습니다\n"
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
    // An empty key is the default key.
    const QJsonObject read = json(run({ "read", "04", "--key=", "--json", "--trace", trace }).out);
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
    // A block is shown only when one was read: not for an issue without --verify.
    EXPECT_FALSE(json(lines.value(0)).contains("data")) << lines.value(0).toStdString();
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
        "9번째 줄: 오프셋 8의 바이트(0xFF)부터 UTF-8 인코딩으로 읽을 수 없습니다\n"));

    // A program that keeps its pipe open gets each card as its line arrives.
    QProcess kept_open;
    start(kept_open, batch + QStringList { "--json" });
    kept_open.write("op,address\nread,04\n");
    ASSERT_TRUE(wait_for([&] { return kept_open.canReadLine(); }));
    EXPECT_EQ(json(kept_open.readLine())["result"], "completed");
    EXPECT_EQ(finish(kept_open).status, 0);

    // A header with no lines is an empty batch; no header and no lines is not a batch file.
    for (const auto& [input, status] : { std::pair("op,address\n", 0), std::pair("", 2) }) {
        SCOPED_TRACE(input);
        const Ran ran = run({ "batch", "-" }, input);
        EXPECT_EQ(std::pair(ran.status, ran.err.contains("머리글 줄이 없습니다")),
            std::pair(status, status != 0));
    }
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

} // namespace
