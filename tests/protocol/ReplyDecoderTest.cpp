#include "ReplyDecoder.h"
#include "QtPrinters.h"
#include "RecordingCardPanel.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using Event = RecordingCardPanel::Event;

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

struct Row {
    QString before;
    char byte;
    QString message; // empty: no message
    QString after;
};

// Every step the reader's control bytes make.
const Row transitions[] = {
    { "read", ack, "", "read_ack" },
    { "edit", ack, "", "edit_ack" },
    { "new", ack, "", "new_ack" },
    { "read", nak, "", "read_nak" },
    { "edit", nak, "", "edit_nak" },
    { "new", nak, "", "new_nak" },
    { "read_ack_cr", can, "", "read_ack_can" },
    { "edit_ack_cr", can, "", "edit_ack_can" },
    { "new_ack_cr", can, "", "new_ack_can" },
    { "read_ack", cr, read_sent, "read_ack_cr" },
    { "read_nak", cr, read_refused, "" },
    { "read_ack_can", cr, read_failed, "" },
    { "read_ack_cr", cr, read_done, "" },
    { "edit_ack", cr, edit_sent, "edit_ack_cr" },
    { "edit_nak", cr, edit_refused, "" },
    { "edit_ack_can", cr, edit_failed, "" },
    { "edit_ack_cr", cr, edit_done, "" },
    { "new_ack", cr, new_sent, "new_ack_cr" },
    { "new_nak", cr, new_refused, "" },
    { "new_ack_can", cr, new_failed, "" },
    { "new_ack_cr", cr, new_done, "" },
};

const QStringList all_states { "", "read", "read_ack", "read_nak", "read_ack_cr", "read_ack_can",
    "edit", "edit_ack", "edit_nak", "edit_ack_cr", "edit_ack_can", "new", "new_ack", "new_nak",
    "new_ack_cr", "new_ack_can" };

TEST(Receiving, TransitionTable)
{
    for (const Row& row : transitions) {
        SCOPED_TRACE(
            testing::Message() << '"' << row.before.toStdString() << "\" byte " << +row.byte);
        CardRig rig;
        rig.commands.set_cmd_state(row.before);
        rig.commands.decode_reply(QByteArrayView(&row.byte, 1));

        EXPECT_EQ(rig.commands.cmd_state(), row.after);
        EXPECT_EQ(rig.panel.texts_of(u"status"),
            row.message.isEmpty() ? QStringList() : QStringList { row.message });
    }
}

TEST(Receiving, NoOtherStateAndByteMakesAStep)
{
    std::set<std::pair<QString, char>> stepping;
    for (const Row& row : transitions)
        stepping.insert({ row.before, row.byte });
    CardRig rig;
    for (const char* other : { "READ", "read ", "idle" })
        EXPECT_FALSE(is_progress_state(QString::fromLatin1(other))) << other;
    for (const QString& state : all_states) {
        EXPECT_TRUE(is_progress_state(state)) << state.toStdString();
        for (int byte = 0; byte < 256; ++byte) {
            const char value = static_cast<char>(byte);
            if (stepping.contains({ state, value }))
                continue;
            EXPECT_FALSE(progress_step(value, *progress_state(state)))
                << state.toStdString() << " " << byte;
            rig.commands.set_cmd_state(state);
            rig.panel.events.clear();
            rig.commands.decode_reply(QByteArrayView(&value, 1));
            EXPECT_EQ(rig.commands.cmd_state(), state);
            EXPECT_TRUE(rig.panel.texts_of(u"status").isEmpty());
        }
    }
}

TEST(Receiving, AWholeChainInOneBatchStepsInOrderAndTheLogComesOnceAfter)
{
    CardRig rig;
    rig.commands.set_cmd_state(QStringLiteral("new"));
    rig.line.receive(QByteArray("\x06\x0D\x0D"));
    const QList<Event> expected {
        { "status", new_sent, "", "new_ack_cr", 0 },
        { "status", new_done, "", "", 0 },
        { "log", "[ACK][CR][CR]", "", "", 0 },
    };
    EXPECT_EQ(rig.panel.events, expected);
}

// Also shows that batches are joined in the log with no line break between them.
TEST(Receiving, AReplySplitAnywhereGivesWhatOneBatchGives)
{
    struct Reply {
        QString state;
        QByteArray bytes;
        QString log;
        QStringList messages;
        QString after;
    };
    const Reply replies[] = {
        { "read", "\x06\rDATA0123456789AB\r", "[ACK][CR]DATA0123456789AB[CR]",
            { read_sent, read_done }, "" },
        { "edit", "\x06\x0D\x18\x0D", "[ACK][CR][CAN][CR]", { edit_sent, edit_failed }, "" },
        { "new", "\x06\x0D\xE9\x0D", "[ACK][CR]é[CR]", { new_sent, new_done }, "" },
        { "new", "\x15\x0D", "[NAK][CR]", { new_refused }, "" },
        { "read", "\x06\x0D", "[ACK][CR]", { read_sent }, "read_ack_cr" },
    };
    for (const Reply& reply : replies) {
        QList<QList<QByteArray>> deliveries { { reply.bytes }, {} };
        for (const char byte : reply.bytes)
            deliveries[1].append(QByteArray(1, byte));
        for (qsizetype split = 1; split < reply.bytes.size(); ++split)
            deliveries.append({ reply.bytes.left(split), reply.bytes.mid(split) });
        for (const QList<QByteArray>& parts : deliveries) {
            SCOPED_TRACE(testing::Message() << reply.bytes.toHex(' ').toStdString() << " in "
                                            << parts.size() << " parts, first " << parts[0].size());
            CardRig rig;
            rig.commands.set_cmd_state(reply.state);
            for (const QByteArray& part : parts)
                rig.line.receive(part);
            EXPECT_EQ(rig.panel.log, reply.log);
            EXPECT_EQ(rig.panel.texts_of(u"status"), reply.messages);
            EXPECT_EQ(rig.commands.cmd_state(), reply.after);
        }
    }
}

TEST(Receiving, EventsOtherThanDataReceivedChangeNothing)
{
    CardRig rig;
    rig.line.set_rthreshold(0); // the bytes wait in the line until a receive event
    rig.commands.set_cmd_state(QStringLiteral("read"));
    rig.line.raise_event(SerialControl::comEvReceive); // with nothing waiting
    rig.line.receive(QByteArray("\x06\x0D"));
    for (const int event : { int(SerialControl::comEvNone), int(SerialControl::comEventBreak),
             int(SerialControl::comEventFrame), int(SerialControl::comEventOverrun),
             int(SerialControl::comEventRxParity), int(SerialControl::comEventDeviceLost), 1, 3 })
        rig.line.raise_event(event);
    EXPECT_TRUE(rig.panel.events.isEmpty());
    EXPECT_EQ(rig.commands.cmd_state(), "read");

    rig.line.raise_event(SerialControl::comEvReceive);
    EXPECT_EQ(rig.panel.log, "[ACK][CR]") << "the waiting bytes were left for the receive event";
    EXPECT_EQ(rig.commands.cmd_state(), "read_ack_cr");
}

TEST(Receiving, TheClearButtonEmptiesLogThenEchoAndLeavesTheProgress)
{
    CardRig rig;
    rig.commands.set_cmd_state(QStringLiteral("read_ack_cr"));
    rig.commands.cmderase();

    const QList<Event> expected { { "log", "", "", "read_ack_cr" },
        { "echo", "", "", "read_ack_cr" } };
    EXPECT_EQ(rig.panel.events, expected);
    EXPECT_EQ(rig.commands.cmd_state(), "read_ack_cr");
}

} // namespace
