#include "QtPrinters.h"
#include "RecordingCardPanel.h"

#include <gtest/gtest.h>

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

QString first_state(CardCommand command)
{
    return command == read ? "read" : command == new_issue ? "new" : "edit";
}

struct FrameCase {
    const char* name;
    CardCommand command;
    QString address, key, data;
    QByteArray line_bytes;
    QString echo;
};

TEST(Sending, FramesGoOnTheLineAsThreeWritesThenTheEchoThenTheState)
{
    const QString read_tail = QStringLiteral(" [ETX] 카드 읽기 입니다.");
    const QString new_tail = QStringLiteral(" [ETX] 신규 카드 발행 입니다.");
    const QString modify_tail = QStringLiteral(" [ETX] 수정 카드 발행 입니다.");
    const FrameCase cases[] = {
        { "new issue worked example, 29 bytes", new_issue, "04", "730914", "0000000000000000",
            "\x02N04;730914;0000000000000000\x03",
            "[STX] N 04 ; 730914 ; 0000000000000000 [ETX] 신규 카드 발행 입니다." },
        { "read worked example, 12 bytes, data of any length ignored", read, "04", "730914",
            QString(40, u'x'), "\x02R04;730914\x03", "[STX] R 04;730914 [ETX] 카드 읽기 입니다." },
        { "modify issue", modify_issue, "08", "FFFFFF", "ABCD", "\x02W08;FFFFFF;ABCD\x03",
            "[STX] W 08 ; FFFFFF ; ABCD" + modify_tail },
        { "data of spaces only", modify_issue, "04", "730914", "   ", "\x02W04;730914;\x03",
            "[STX] W 04 ; 730914 ; " + modify_tail },
        { "read, empty key", read, " 04", "  ", "", "\x02R04;\x03", "[STX] R 04;" + read_tail },
        { "semicolons are not escaped", new_issue, "0;4", "73;0914", "a;b;",
            "\x02N0;4;73;0914;a;b;\x03", "[STX] N 0;4 ; 73;0914 ; a;b;" + new_tail },
        { "every field trimmed", new_issue, "  04 ", " 730914  ", "  abcd  ",
            "\x02N04;730914;abcd\x03", "[STX] N 04 ; 730914 ; abcd" + new_tail },
        { "inner spaces and tabs stay", new_issue, "0 4", "\t730914", "ab cd\t",
            "\x02N0 4;\t730914;ab cd\t\x03", "[STX] N 0 4 ; \t730914 ; ab cd\t" + new_tail },
        { "UTF-8 on the line", modify_issue, "04", "\u3000k", "가😀",
            "\x02W04;\xE3\x80\x80k;\xEA\xB0\x80\xF0\x9F\x98\x80\x03",
            "[STX] W 04 ; \u3000k ; 가😀" + modify_tail },
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        CardRig rig;
        rig.panel.address = c.address;
        rig.panel.key = c.key;
        rig.panel.data = c.data;
        // A new command replaces an unfinished one.
        rig.commands.set_cmd_state(QStringLiteral("new_ack_cr"));
        press(rig.commands, c.command);

        const QByteArray body = c.line_bytes.sliced(1, c.line_bytes.size() - 2);
        EXPECT_EQ(rig.line.outputs(), QStringList({ "\x02", QString::fromUtf8(body), "\x03" }));
        EXPECT_EQ(rig.line.written_bytes(), c.line_bytes);
        // Only these writes to the panel: read empties the log before it writes anything.
        QList<Event> expected { { "echo", c.echo, "", "new_ack_cr", 3 } };
        if (c.command == read)
            expected.prepend({ "log", "", "", "new_ack_cr", 0 });
        EXPECT_EQ(rig.panel.events, expected);
        EXPECT_EQ(rig.panel.data, c.data) << "the data field keeps its untrimmed text";
        EXPECT_EQ(rig.commands.cmd_state(), first_state(c.command));
    }
}

TEST(Sending, IssueDataOfAtMostSixteenCodePointsIsSent)
{
    const std::pair<QString, bool> cases[] = {
        { QString(16, u'x'), true },
        { QString(17, u'x'), false },
        { "   " + QString(16, u'x') + "  ", true },
        { QString(16, u'x') + u'\t', false },
        { QStringLiteral("가나다라마바사아자차카타파하가나"), true },
        { QStringLiteral("가나다라마바사아자차카타파하가나다"), false },
        { QStringLiteral("😀").repeated(16), true },
        { QStringLiteral("😀").repeated(17), false },
    };
    for (const CardCommand command : { new_issue, modify_issue }) {
        for (const auto& [data, sent] : cases) {
            SCOPED_TRACE(testing::Message() << int(command) << " " << data.toStdString());
            CardRig rig;
            rig.panel.data = data;
            rig.commands.set_cmd_state(QStringLiteral("read_ack_cr"));
            press(rig.commands, command);

            if (sent) {
                EXPECT_TRUE(rig.line.outputs().value(1).endsWith(u';' + data.trimmed()));
                EXPECT_EQ(rig.commands.cmd_state(), first_state(command));
                continue;
            }
            // The box and nothing else: the line, the echo, the log and the status are as before.
            EXPECT_TRUE(rig.line.outputs().isEmpty());
            const QList<Event> refused { { "message", "16자를 초과 했습니다", "", "read_ack_cr" } };
            EXPECT_EQ(rig.panel.events, refused);
            EXPECT_EQ(rig.commands.cmd_state(), "read_ack_cr");
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
    const QString failed
        = QStringLiteral("통신포트로 명령을 보내지 못했습니다. 통신포트를 확인하시기 바랍니다.");
    for (int accepted = 0; accepted < 3; ++accepted) {
        for (const CardCommand command : { read, new_issue, modify_issue }) {
            SCOPED_TRACE(
                testing::Message() << "accepted " << accepted << " command " << int(command));
            RefusingLine line(accepted);
            RecordingCardPanel panel;
            CardCommands commands(panel, line);
            panel.commands = &commands;
            commands.set_cmd_state(QStringLiteral("read_nak"));
            press(commands, command);

            EXPECT_EQ(line.written.size(), accepted);
            QList<Event> expected { { "message", failed, "COM3: Input/output error", "read_nak" } };
            if (command == read)
                expected.prepend({ "log", "", "", "read_nak" });
            EXPECT_EQ(panel.events, expected);
            EXPECT_EQ(commands.cmd_state(), "read_nak");
        }
    }
}

TEST(Sending, TheTestButtonCyclesThroughThreePatternsAndSendsNothing)
{
    CardRig rig;
    rig.commands.set_cmd_state(QStringLiteral("new_ack"));
    const QStringList cycle { "1234567890123456", "0000000000000000", "5555555555555555" };
    for (int press = 0; press < 7; ++press) {
        rig.panel.data = QStringLiteral("typed by hand");
        rig.commands.cmdeditwrtest();
        EXPECT_EQ(rig.panel.data, cycle[press % 3]) << "press " << press + 1;
    }
    EXPECT_TRUE(rig.line.outputs().isEmpty());
    EXPECT_TRUE(rig.panel.events.isEmpty());
    EXPECT_EQ(rig.commands.cmd_state(), "new_ack");

    // Sending does not restart the cycle.
    rig.commands.cmdwrite();
    rig.commands.cmd_read();
    rig.commands.cmdeditwrtest();
    EXPECT_EQ(rig.panel.data, cycle[1]);
}

} // namespace
