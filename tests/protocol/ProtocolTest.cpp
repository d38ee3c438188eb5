// The card protocol on a scripted line: frames out, replies in, the display forms and the log cut.

#include "ByteDisplay.h"
#include "QtPrinters.h"
#include "ReceiveLog.h"
#include "RecordingCardPanel.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using Event = RecordingCardPanel::Event;
using enum CardCommand;

void press(CardCommands& commands, CardCommand command)
{
    (commands
        .*(command == read             ? &CardCommands::cmd_read
                : command == new_issue ? &CardCommands::cmdwrite
                                       : &CardCommands::cmdeditwrite))();
}

TEST(Sending, FramesGoOutAsThreeWritesThenTheEchoThenTheFirstState)
{
    const struct {
        CardCommand command;
        QString address, key, data;
        QByteArray line_bytes;
        QString echo;
        const char* state;
    } cases[] = {
        { new_issue, "04", "730914", "0000000000000000", "\x02N04;730914;0000000000000000\x03",
            "[STX] N 04 ; 730914 ; 0000000000000000 [ETX] 신규 카드 발행 입니다.", "new" },
        { read, "04", "730914", QString(40, u'x'), "\x02R04;730914\x03",
            "[STX] R 04;730914 [ETX] 카드 읽기 입니다.", "read" },
        { modify_issue, "08", "FFFFFF", "   ", "\x02W08;FFFFFF;\x03",
            "[STX] W 08 ; FFFFFF ;  [ETX] 수정 카드 발행 입니다.", "edit" },
        // Only code-32 spaces at either end are trimmed; semicolons are not escaped.
        { new_issue, "  0;4 ", " \t730914  ", "\u00a0ab cd\t  ",
            "\x02N0;4;\t730914;\xC2\xA0"
            "ab cd\t\x03",
            "[STX] N 0;4 ; \t730914 ; \u00a0ab cd\t [ETX] 신규 카드 발행 입니다.", "new" },
        { modify_issue, "04", "\u3000k", "가😀",
            "\x02W04;\xE3\x80\x80k;\xEA\xB0\x80\xF0\x9F\x98\x80\x03",
            "[STX] W 04 ; \u3000k ; 가😀 [ETX] 수정 카드 발행 입니다.", "edit" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line_bytes.toStdString());
        CardRig rig;
        rig.panel.address = c.address;
        rig.panel.key = c.key;
        rig.panel.data = c.data;
        rig.commands.set_cmd_state(u"new_ack_cr"); // a new command replaces an unfinished one
        press(rig.commands, c.command);

        const QByteArray body = c.line_bytes.sliced(1, c.line_bytes.size() - 2);
        EXPECT_EQ(rig.line.outputs(), QStringList({ "\x02", QString::fromUtf8(body), "\x03" }));
        EXPECT_EQ(rig.line.written_bytes(), c.line_bytes);
        // A read empties the log before anything is written; the echo comes after the writes.
        QList<Event> expected { { "echo", c.echo, "", "new_ack_cr", 3 } };
        if (c.command == read)
            expected.prepend({ "log", "", "", "new_ack_cr", 0 });
        EXPECT_EQ(rig.panel.events, expected);
        EXPECT_EQ(rig.panel.data, c.data) << "the field keeps its untrimmed text";
        EXPECT_EQ(rig.commands.cmd_state(), c.state);
    }
}

TEST(Sending, IssueDataOfMoreThanSixteenCodePointsBringsTheBoxAndNothingElse)
{
    const QString lone_surrogate(QChar(0xD83D));
    const std::pair<QString, bool> cases[] = {
        { QString(17, u'x'), false },
        { "   " + QString(16, u'x') + "  ", true },
        { QString(16, u'x') + u'\t', false },
        { QStringLiteral("😀").repeated(16), true },
        { QStringLiteral("😀").repeated(17), false },
        { lone_surrogate.repeated(16), true },
        { lone_surrogate.repeated(17), false },
    };
    for (const CardCommand command : { new_issue, modify_issue }) {
        for (const auto& [data, sent] : cases) {
            SCOPED_TRACE(testing::Message() << int(command) << " " << data.toStdString());
            CardRig rig;
            rig.panel.data = data;
            rig.commands.set_cmd_state(u"read_ack_cr");
            press(rig.commands, command);
            EXPECT_EQ(rig.line.outputs().value(1).endsWith(u';' + data.trimmed()), sent);
            if (!sent) {
                const QList<Event> refused { { "message", "16자를 초과 했습니다", "",
                    "read_ack_cr" } };
                EXPECT_EQ(rig.panel.events, refused);
                EXPECT_EQ(rig.commands.cmd_state(), "read_ack_cr");
            }
        }
    }
}

// A line that takes a given number of writes and then refuses, as a device pulled out mid-frame.
class RefusingLine final : public SerialControl {
public:
    explicit RefusingLine(int accepted)
        : accepted_(accepted)
    {
    }
    bool port_open() const override { return true; }
    CommResult open_port() override { return CommResult::success(); }
    void close_port() override { }
    QByteArray input() override { return {}; }
    CommResult output(const QString& text) override
    {
        if (written.size() == accepted_)
            return CommResult::failure("COM3", "Input/output error");
        written.append(text);
        return CommResult::success();
    }
    QStringList written;

private:
    int accepted_;
};

TEST(Sending, ARefusedWriteStopsTheSendAndTellsTheOperator)
{
    for (int accepted = 0; accepted < 3; ++accepted) {
        for (const CardCommand command : { read, new_issue, modify_issue }) {
            SCOPED_TRACE(
                testing::Message() << "accepted " << accepted << " command " << int(command));
            RefusingLine line(accepted);
            RecordingCardPanel panel;
            CardCommands commands(panel, line);
            panel.commands = &commands;
            commands.set_cmd_state(u"read_nak");
            press(commands, command);

            EXPECT_EQ(line.written.size(), accepted);
            EXPECT_EQ(panel.events.back(),
                (Event { "message",
                    "통신포트로 명령을 보내지 못했습니다. 통신포트를 확인하시기 바랍니다.",
                    "COM3: Input/output error", "read_nak" }));
            EXPECT_EQ(panel.events.size(), command == read ? 2 : 1);
            EXPECT_EQ(commands.cmd_state(), "read_nak");
        }
    }
}

TEST(Sending, TheTestButtonCyclesThroughThreePatternsAndSendingDoesNotRestartIt)
{
    CardRig rig;
    const QStringList cycle { "1234567890123456", "0000000000000000", "5555555555555555" };
    for (int press = 0; press < 4; ++press) {
        rig.commands.cmdeditwrtest();
        EXPECT_EQ(rig.panel.data, cycle[press % 3]) << "press " << press + 1;
    }
    rig.commands.cmdwrite();
    rig.commands.cmd_read();
    rig.commands.cmdeditwrtest();
    EXPECT_EQ(rig.panel.data, cycle[1]);
}

struct Step {
    QString before;
    char byte;
    QString message; // empty: no message
    QString after;
};

// The steps ACK, NAK, CAN and CR make, for each command's progress.
QList<Step> transitions()
{
    const struct {
        QString c, sent, refused, failed, done;
    } commands[] = {
        { "read", "읽기 명령 전송 완료 -> 카드를 대어 주세요", "읽기 명령 에러",
            "읽기 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)", "카드 읽기 완료" },
        { "edit", "수정 명령 전송 완료 -> 카드를 대어 주세요", "수정 명령 에러",
            "수정 에러 (Key A : 6 Byte 값을 확인하시기 바랍니다.)", "카드 수정 완료" },
        { "new", "발행 명령 전송 완료 -> 카드를 대어 주세요", "발행 명령 에러", "발행 에러",
            "카드 발행 완료" },
    };
    QList<Step> steps;
    for (const auto& m : commands) {
        steps += { { m.c, ack, "", m.c + "_ack" }, { m.c, nak, "", m.c + "_nak" },
            { m.c + "_ack_cr", can, "", m.c + "_ack_can" },
            { m.c + "_ack", cr, m.sent, m.c + "_ack_cr" }, { m.c + "_nak", cr, m.refused, "" },
            { m.c + "_ack_can", cr, m.failed, "" }, { m.c + "_ack_cr", cr, m.done, "" } };
    }
    return steps;
}

TEST(Receiving, EachStateAndByteStepsByTheTableAndNoOtherMakesAStep)
{
    const QList<Step> steps = transitions();
    CardRig rig;
    int stepped = 0;
    for (int index = 0; index < 16; ++index) {
        const QString state = state_text(ProgressState(index));
        EXPECT_EQ(index == 0, state.isEmpty());
        EXPECT_TRUE(is_progress_state(state));
        for (int value = 0; value < 256; ++value) {
            const char byte = char(value);
            Step expected { state, byte, "", state };
            for (const Step& step : steps) {
                if (step.before == state && step.byte == byte)
                    expected = step, ++stepped;
            }
            SCOPED_TRACE(testing::Message() << '"' << state.toStdString() << "\" byte " << value);
            rig.commands.set_cmd_state(state);
            rig.panel.events.clear();
            rig.commands.decode_reply(QByteArrayView(&byte, 1));
            EXPECT_EQ(rig.commands.cmd_state(), expected.after);
            EXPECT_EQ(rig.panel.texts_of(u"status"),
                expected.message.isEmpty() ? QStringList() : QStringList { expected.message });
        }
    }
    EXPECT_EQ(stepped, steps.size());
    for (const char* other : { "READ", "read ", "idle" })
        EXPECT_FALSE(is_progress_state(QString::fromLatin1(other))) << other;
}

TEST(Receiving, AReplySplitAnywhereGivesWhatOneBatchGivesWithTheLogWrittenAfterTheSteps)
{
    CardRig whole;
    whole.commands.set_cmd_state(u"new");
    whole.line.receive(QByteArray("\x06\x0D\x0D"));
    const QList<Event> in_order { { "status", "발행 명령 전송 완료 -> 카드를 대어 주세요", "",
                                      "new_ack_cr" },
        { "status", "카드 발행 완료", "", "" }, { "log", "[ACK][CR][CR]", "", "" } };
    EXPECT_EQ(whole.panel.events, in_order);

    const struct {
        QString state;
        QByteArray bytes;
        QString log;
        int messages;
        QString after;
    } replies[] = {
        { "read", "\x06\rDATA0123456789AB\r", "[ACK][CR]DATA0123456789AB[CR]", 2, "" },
        { "edit", "\x06\x0D\x18\x0D", "[ACK][CR][CAN][CR]", 2, "" },
        { "new", "\x15\x0D\xE9", "[NAK][CR]é", 1, "" },
        { "read", "\x06\x0D", "[ACK][CR]", 1, "read_ack_cr" },
    };
    for (const auto& reply : replies) {
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
            EXPECT_EQ(rig.panel.texts_of(u"status").size(), reply.messages);
            EXPECT_EQ(rig.commands.cmd_state(), reply.after);
        }
    }
}

TEST(Receiving, EventsOtherThanDataReceivedChangeNothing)
{
    CardRig rig;
    rig.line.set_rthreshold(0); // the bytes wait in the line until a receive event
    rig.commands.set_cmd_state(u"read");
    rig.line.raise_event(SerialControl::comEvReceive); // with nothing waiting
    rig.line.receive(QByteArray("\x06\x0D"));
    for (const int event : { 0, 1, 3, 1001, 1004, 1006, 1009, 1100, 1101 })
        rig.line.raise_event(event);
    EXPECT_TRUE(rig.panel.events.isEmpty());
    rig.line.raise_event(SerialControl::comEvReceive);
    EXPECT_EQ(rig.panel.log, "[ACK][CR]") << "the waiting bytes were left for the receive event";
    EXPECT_EQ(rig.commands.cmd_state(), "read_ack_cr");
}

TEST(ByteDisplay, ControlsByNameWindows1252AboveAndNeverAnInvisibleControl)
{
    const std::pair<int, QString> anchors[] = { { 0x00, "[NUL]" }, { 0x06, "[ACK]" },
        { 0x0D, "[CR]" }, { 0x15, "[NAK]" }, { 0x18, "[CAN]" }, { 0x1F, "[US]" }, { 0x20, " " },
        { 0x7E, "~" }, { 0x7F, "[DEL]" }, { 0x80, "€" }, { 0x81, "\uFFFD" }, { 0x9D, "\uFFFD" },
        { 0x9F, "Ÿ" }, { 0xA0, "\u00A0" }, { 0xE9, "é" }, { 0xFF, "ÿ" } };
    for (const auto& [byte, form] : anchors)
        EXPECT_EQ(display_form(quint8(byte)), form) << byte;
    for (int byte = 0; byte < 256; ++byte) {
        for (const QChar c : display_form(quint8(byte)))
            EXPECT_NE(c.category(), QChar::Other_Control) << byte;
    }
    EXPECT_EQ(display_text(QByteArrayView("A \x06\x0D\x80", 5)), "A [ACK][CR]€");
}

QString appended(QString log, QStringView batch, qsizetype capacity = receive_log_capacity)
{
    append_to_log(log, batch, capacity);
    return log;
}

TEST(ReceiveLog, DropsTheFewestOldestWholeFormsAndKeepsTheNewest)
{
    // Bracketed names, a surrogate pair and literal brackets: forms the cut must not split, at
    // every capacity from the batch alone to more than the whole.
    QString log;
    std::set<qsizetype> boundaries { 0 };
    const QStringList data { "A", "😀", "[", "]", "é" };
    for (int byte = 0; byte <= 0x20; ++byte) {
        for (const QString& form : { display_form(quint8(byte)), data[byte % data.size()] }) {
            log += form;
            boundaries.insert(log.size());
        }
    }
    const QString batch = QStringLiteral("[ACK][CR]");
    const QString joined = log + batch;
    for (qsizetype capacity = batch.size(); capacity <= joined.size() + 1; ++capacity) {
        SCOPED_TRACE(testing::Message() << "capacity " << capacity);
        const QString result = appended(log, batch, capacity);
        ASSERT_TRUE(joined.endsWith(result));
        const qsizetype smallest_cut = std::max<qsizetype>(0, joined.size() - capacity);
        EXPECT_EQ(joined.size() - result.size(), *boundaries.lower_bound(smallest_cut));
    }
    EXPECT_EQ(appended(QStringLiteral("[[[[[["), u"[X]", 5), "[[[X]");
    EXPECT_EQ(appended(QStringLiteral("[ACKK]"), u"", 4), "CKK]");
    EXPECT_EQ(appended("old", QStringLiteral("[ACK]").repeated(10) + "AB", 14), "[ACK][ACK]AB");
    EXPECT_EQ(
        appended(QString(5000, u'x'), u"[ACK]"), QString(receive_log_capacity - 5, u'x') + "[ACK]");
}

} // namespace
