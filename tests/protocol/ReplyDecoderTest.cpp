#include "ReplyDecoder.h"
#include "ByteDisplay.h"
#include "CardCommands.h"
#include "FakeSerialControl.h"
#include "QtPrinters.h"
#include "RecordingCardPanel.h"

#include <gtest/gtest.h>
#include <ostream>

#include <set>

namespace {

const QString read_sent = QStringLiteral("읽기 명령 전송 완료 -> 카드를 대어 주세요");
const QString read_refused = QStringLiteral("읽기 명령 에러");
const QString read_failed = QStringLiteral("읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)");
const QString read_done = QStringLiteral("카드 읽기 완료");
const QString edit_sent = QStringLiteral("수정 명령 전송 완료 -> 카드를 대어 주세요");
const QString edit_refused = QStringLiteral("수정 명령 에러");
const QString edit_failed = QStringLiteral("수정 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)");
const QString edit_done = QStringLiteral("카드 수정 완료");
const QString new_sent = QStringLiteral("발행 명령 전송 완료 -> 카드를 대어 주세요");
const QString new_refused = QStringLiteral("발행 명령 에러");
const QString new_failed = QStringLiteral("발행 에러");
const QString new_done = QStringLiteral("카드 발행 완료");

const QStringList all_states { "", "read", "read_ack", "read_nak", "read_ack_cr", "read_ack_can",
    "edit", "edit_ack", "edit_nak", "edit_ack_cr", "edit_ack_can", "new", "new_ack", "new_nak",
    "new_ack_cr", "new_ack_can" };

// A receiving window: the decoder wired to the line as the window wires it.
class Receiving : public testing::Test {
protected:
    Receiving()
    {
        line.set_existing_ports({ 1 });
        line.set_comm_port(1);
        EXPECT_TRUE(line.set_port_open(true).ok());
        line.set_rthreshold(1);
        QObject::connect(&line, &SerialControl::OnComm, [this] { commands.on_comm(); });
        panel.state_probe = [this] { return commands.cmd_state(); };
    }

    FakeSerialControl line;
    RecordingCardPanel panel;
    CardCommands commands { panel, line };
};

struct Row {
    QString before;
    char byte;
    QString message; // empty: no message
    QString after;
};

// Every step the reader's control bytes can make, and a sample of bytes that make none.
const std::vector<Row> transition_rows {
    { "read", 0x06, "", "read_ack" },
    { "edit", 0x06, "", "edit_ack" },
    { "new", 0x06, "", "new_ack" },
    { "read", 0x15, "", "read_nak" },
    { "edit", 0x15, "", "edit_nak" },
    { "new", 0x15, "", "new_nak" },
    { "read_ack_cr", 0x18, "", "read_ack_can" },
    { "edit_ack_cr", 0x18, "", "edit_ack_can" },
    { "new_ack_cr", 0x18, "", "new_ack_can" },
    { "read_ack", 0x0D, read_sent, "read_ack_cr" },
    { "read_nak", 0x0D, read_refused, "" },
    { "read_ack_can", 0x0D, read_failed, "" },
    { "read_ack_cr", 0x0D, read_done, "" },
    { "edit_ack", 0x0D, edit_sent, "edit_ack_cr" },
    { "edit_nak", 0x0D, edit_refused, "" },
    { "edit_ack_can", 0x0D, edit_failed, "" },
    { "edit_ack_cr", 0x0D, edit_done, "" },
    { "new_ack", 0x0D, new_sent, "new_ack_cr" },
    { "new_nak", 0x0D, new_refused, "" },
    { "new_ack_can", 0x0D, new_failed, "" },
    { "new_ack_cr", 0x0D, new_done, "" },
};
const std::vector<Row> no_step_rows {
    { "read_ack", 0x06, "", "read_ack" },
    { "read_ack", 0x18, "", "read_ack" },
    { "read_ack", 0x15, "", "read_ack" },
    { "read", 0x0D, "", "read" },
    { "read", 0x18, "", "read" },
    { "new_nak", 0x06, "", "new_nak" },
    { "edit_ack_can", 0x18, "", "edit_ack_can" },
    { "new_ack_cr", 0x06, "", "new_ack_cr" },
    { "", 0x06, "", "" },
    { "", 0x15, "", "" },
    { "", 0x18, "", "" },
    { "", 0x0D, "", "" },
    { "READ", 0x06, "", "READ" },
    { "read ", 0x06, "", "read " },
    { "read_ack", 0x41, "", "read_ack" },
    { "read_ack_cr", 0x0A, "", "read_ack_cr" },
};

TEST_F(Receiving, TransitionTable)
{
    std::vector<Row> rows = transition_rows;
    rows.insert(rows.end(), no_step_rows.begin(), no_step_rows.end());
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
            << '"' << row.before.toStdString() << "\" byte 0x" << std::hex << int(row.byte));
        panel = RecordingCardPanel();
        panel.status = QStringLiteral("previous status");
        commands.set_cmd_state(row.before);

        commands.decode_reply(QByteArrayView(&row.byte, 1));

        EXPECT_EQ(commands.cmd_state(), row.after);
        EXPECT_EQ(panel.texts_of("status"),
            row.message.isEmpty() ? QStringList() : QStringList { row.message });
        EXPECT_EQ(
            panel.status, row.message.isEmpty() ? QStringLiteral("previous status") : row.message);
        EXPECT_EQ(panel.log, display_form(static_cast<quint8>(row.byte)));
    }
}

TEST_F(Receiving, NoOtherStateAndByteMakesAStep)
{
    std::set<std::pair<QString, int>> stepping;
    for (const Row& row : transition_rows)
        stepping.insert({ row.before, row.byte });
    for (const QString& state : all_states) {
        for (int byte = 0; byte < 256; ++byte) {
            if (stepping.count({ state, byte }))
                continue;
            const char value = static_cast<char>(byte);
            EXPECT_FALSE(progress_step(value, state).has_value()) << state.toStdString() << byte;
            commands.set_cmd_state(state);
            panel.events.clear();
            commands.decode_reply(QByteArrayView(&value, 1));
            EXPECT_EQ(commands.cmd_state(), state);
            EXPECT_TRUE(panel.texts_of("status").isEmpty());
        }
    }
}

TEST(ProgressStates, AreExactlyTheSixteenValues)
{
    for (const QString& state : all_states)
        EXPECT_TRUE(is_progress_state(state)) << state.toStdString();
    for (const QString state : { "READ", " read", "read ", "read_cr", "idle", "new_ack_cr_can" })
        EXPECT_FALSE(is_progress_state(state)) << state.toStdString();
}

TEST_F(Receiving, WholeChainInOneBatchStepsInOrder)
{
    commands.set_cmd_state(QStringLiteral("new"));
    line.receive(QByteArray("\x06\x0D\x0D"));

    const QList<RecordingCardPanel::Event> expected {
        { "status", new_sent, "", "new_ack_cr", 0 },
        { "status", new_done, "", "", 0 },
        { "log", "[ACK][CR][CR]", "", "", 0 },
    };
    EXPECT_EQ(panel.events, expected) << "messages in byte order, the log once after them";
    EXPECT_EQ(commands.cmd_state(), u"");
}

TEST_F(Receiving, OneCrMakesOneStep)
{
    commands.set_cmd_state(QStringLiteral("read_ack"));
    line.receive(QByteArray("\x0D"));
    EXPECT_EQ(commands.cmd_state(), u"read_ack_cr");
    EXPECT_EQ(panel.texts_of("status"), QStringList { read_sent });
}

TEST_F(Receiving, DataThenCrCompletesARead)
{
    commands.set_cmd_state(QStringLiteral("read_ack_cr"));
    line.receive(QByteArray("AB 1\x0D"));
    EXPECT_EQ(panel.log, u"AB 1[CR]");
    EXPECT_EQ(panel.status, read_done);
    EXPECT_EQ(commands.cmd_state(), u"");
}

TEST_F(Receiving, LogGrowsAcrossBatchesWithoutLineBreaks)
{
    panel.log = QStringLiteral("old");
    line.receive(QByteArray("\x0D\x0A"));
    line.receive(QByteArray("x\r\n"));
    EXPECT_EQ(panel.log, u"old[CR][LF]x[CR][LF]");

    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(static_cast<char>(byte));
    line.receive(all);
    for (const QChar c : panel.log) {
        EXPECT_NE(c, u'\n');
        EXPECT_NE(c, u'\r');
        EXPECT_NE(c.unicode(), 0x85);
        EXPECT_NE(c, QChar::LineSeparator);
        EXPECT_NE(c, QChar::ParagraphSeparator);
    }
}

TEST_F(Receiving, EmptyBatchChangesNothing)
{
    panel.log = QStringLiteral("[ACK]");
    commands.set_cmd_state(QStringLiteral("read_ack"));
    commands.decode_reply(QByteArrayView());
    EXPECT_TRUE(panel.events.isEmpty());
    EXPECT_EQ(commands.cmd_state(), u"read_ack");
}

struct Reply {
    const char* name;
    // Listed by name in test output.
    friend void PrintTo(const Reply& row, std::ostream* os) { *os << row.name; }
    QString state;
    QByteArray bytes;
    QString log;
    QStringList messages;
    QString after;
};

class SplitReply : public Receiving, public testing::WithParamInterface<Reply> {
protected:
    struct Outcome {
        QString log;
        QStringList messages;
        QString state;
    };

    Outcome deliver(const QList<QByteArray>& parts)
    {
        panel = RecordingCardPanel();
        commands.set_cmd_state(GetParam().state);
        for (const QByteArray& part : parts)
            line.receive(part);
        return { panel.log, panel.texts_of("status"), commands.cmd_state() };
    }
};

TEST_P(SplitReply, GivesWhatOneBatchGives)
{
    const Reply& reply = GetParam();
    const Outcome whole = deliver({ reply.bytes });
    EXPECT_EQ(whole.log, reply.log);
    EXPECT_EQ(whole.messages, reply.messages);
    EXPECT_EQ(whole.state, reply.after);

    for (qsizetype split = 1; split < reply.bytes.size(); ++split) {
        const Outcome two = deliver({ reply.bytes.left(split), reply.bytes.mid(split) });
        EXPECT_EQ(two.log, whole.log) << "split at " << split;
        EXPECT_EQ(two.messages, whole.messages) << "split at " << split;
        EXPECT_EQ(two.state, whole.state) << "split at " << split;
    }
    QList<QByteArray> single_bytes;
    for (const char byte : reply.bytes)
        single_bytes.append(QByteArray(1, byte));
    const Outcome bytewise = deliver(single_bytes);
    EXPECT_EQ(bytewise.log, whole.log);
    EXPECT_EQ(bytewise.messages, whole.messages);
    EXPECT_EQ(bytewise.state, whole.state);
}

INSTANTIATE_TEST_SUITE_P(Replies, SplitReply,
    testing::Values(Reply { "ReadCompleted", "read",
                        "\x06\x0D"
                        "DATA0123456789AB\x0D",
                        "[ACK][CR]DATA0123456789AB[CR]", { read_sent, read_done }, "" },
        Reply { "ModifyCompleted", "edit", "\x06\x0Dok\x0D", "[ACK][CR]ok[CR]",
            { edit_sent, edit_done }, "" },
        Reply { "NewIssueCompleted", "new", "\x06\x0D\xE9\x0D", "[ACK][CR]é[CR]",
            { new_sent, new_done }, "" },
        Reply { "ModifyFailed", "edit", "\x06\x0D\x18\x0D", "[ACK][CR][CAN][CR]",
            { edit_sent, edit_failed }, "" },
        Reply { "NewIssueFailed", "new", "\x06\x0D\x18\x0D", "[ACK][CR][CAN][CR]",
            { new_sent, new_failed }, "" },
        Reply { "ReadFailed", "read", "\x06\x0D\x18\x0D", "[ACK][CR][CAN][CR]",
            { read_sent, read_failed }, "" },
        Reply { "NewIssueRefused", "new", "\x15\x0D", "[NAK][CR]", { new_refused }, "" },
        Reply { "ReadRefused", "read", "\x15\x0D", "[NAK][CR]", { read_refused }, "" },
        Reply {
            "ReadWaitingForCard", "read", "\x06\x0D", "[ACK][CR]", { read_sent }, "read_ack_cr" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Receiving, EventsOtherThanDataReceivedChangeNothing)
{
    line.set_rthreshold(0); // the bytes wait in the line until a receive event
    line.receive(QByteArray("\x06\x0D"));
    commands.set_cmd_state(QStringLiteral("read"));
    for (const int event : { int(SerialControl::comEvNone), int(SerialControl::comEventBreak),
             int(SerialControl::comEventFrame), int(SerialControl::comEventOverrun),
             int(SerialControl::comEventRxParity), int(SerialControl::comEventDeviceLost), 1, 3 }) {
        line.raise_event(event);
        EXPECT_TRUE(panel.events.isEmpty()) << event;
        EXPECT_EQ(commands.cmd_state(), u"read");
    }
    line.raise_event(SerialControl::comEvReceive);
    EXPECT_EQ(panel.log, u"[ACK][CR]") << "the waiting bytes were left for the receive event";
    EXPECT_EQ(commands.cmd_state(), u"read_ack_cr");
}

TEST_F(Receiving, ClearButtonEmptiesLogThenEchoAndLeavesProgress)
{
    panel.log = QStringLiteral("[ACK][CR]");
    panel.echo = QStringLiteral("[STX] R 04;730914 [ETX] 카드 읽기 입니다.");
    panel.status = read_sent;
    commands.set_cmd_state(QStringLiteral("read_ack_cr"));

    commands.cmderase();

    const QList<RecordingCardPanel::Event> expected {
        { "log", "", "", "read_ack_cr", 0 },
        { "echo", "", "", "read_ack_cr", 0 },
    };
    EXPECT_EQ(panel.events, expected);
    EXPECT_EQ(panel.status, read_sent);
    EXPECT_EQ(commands.cmd_state(), u"read_ack_cr");

    line.receive(QByteArray("\x0D"));
    EXPECT_EQ(panel.log, u"[CR]");
    EXPECT_EQ(panel.status, read_done);
    EXPECT_EQ(commands.cmd_state(), u"");
}

TEST_F(Receiving, ReadAfterRepliesStartsAFreshLog)
{
    commands.set_cmd_state(QStringLiteral("read"));
    line.receive(QByteArray("\x06\x0D"));
    commands.cmd_read();
    line.receive(QByteArray("\x06"));
    EXPECT_EQ(panel.log, u"[ACK]");
    EXPECT_EQ(commands.cmd_state(), u"read_ack");
}

} // namespace
