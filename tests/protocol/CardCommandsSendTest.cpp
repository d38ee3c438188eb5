#include "CardCommands.h"
#include "FakeSerialControl.h"
#include "QtPrinters.h"
#include "RecordingCardPanel.h"

#include <gtest/gtest.h>
#include <ostream>

// Found by argument lookup, so it stands beside CardCommand rather than in the test's namespace.
void PrintTo(CardCommand command, std::ostream* os)
{
    *os << (command == CardCommand::read        ? "read"
            : command == CardCommand::new_issue ? "new issue"
                                                : "modify issue");
}

namespace {

const QString new_issue_echo_tail = QStringLiteral(" [ETX] 신규 카드 발행 입니다.");
const QString too_long = QStringLiteral("16자를 초과 했습니다");

class Sending : public testing::Test {
protected:
    Sending()
    {
        line.set_existing_ports({ 1 });
        line.set_comm_port(1);
        EXPECT_TRUE(line.set_port_open(true).ok());
        panel.state_probe = [this] { return commands.cmd_state(); };
        panel.writes_probe = [this] { return line.outputs().size(); };
    }

    void press(CardCommand command)
    {
        switch (command) {
        case CardCommand::read:
            commands.cmd_read();
            break;
        case CardCommand::new_issue:
            commands.cmdwrite();
            break;
        case CardCommand::modify_issue:
            commands.cmdeditwrite();
            break;
        }
    }

    FakeSerialControl line;
    RecordingCardPanel panel;
    CardCommands commands { panel, line };
};

TEST_F(Sending, NewIssueWorkedExample)
{
    panel.data = QStringLiteral("0000000000000000");
    commands.cmdwrite();

    const QStringList expected_writes { QString(QChar(0x02)),
        QStringLiteral("N04;730914;0000000000000000"), QString(QChar(0x03)) };
    EXPECT_EQ(line.outputs(), expected_writes);
    EXPECT_EQ(line.outputs()[1].size(), 27);
    const QByteArray bytes = line.written_bytes();
    ASSERT_EQ(bytes.size(), 29);
    EXPECT_EQ(bytes.front(), '\x02');
    EXPECT_EQ(bytes.back(), '\x03');
    EXPECT_EQ(panel.echo,
        QStringLiteral("[STX] N 04 ; 730914 ; 0000000000000000 [ETX] 신규 카드 발행 입니다."));
    EXPECT_EQ(commands.cmd_state(), u"new");
}

TEST_F(Sending, ReadWorkedExample)
{
    panel.data = QStringLiteral("ignored by the read command");
    commands.cmd_read();

    EXPECT_EQ(line.outputs(),
        QStringList({ QString(QChar(0x02)), QStringLiteral("R04;730914"), QString(QChar(0x03)) }));
    EXPECT_EQ(line.written_bytes(), QByteArray("\x02R04;730914\x03"));
    EXPECT_EQ(line.written_bytes().size(), 12);
    EXPECT_EQ(panel.echo, QStringLiteral("[STX] R 04;730914 [ETX] 카드 읽기 입니다."));
    EXPECT_EQ(commands.cmd_state(), u"read");
}

struct FrameCase {
    const char* name;
    // Listed by name in test output.
    friend void PrintTo(const FrameCase& row, std::ostream* os) { *os << row.name; }
    CardCommand command;
    QString address;
    QString key;
    QString data;
    QByteArray line_bytes;
    QString echo;
};

class Frames : public Sending, public testing::WithParamInterface<FrameCase> { };

TEST_P(Frames, GoOnTheLineAndIntoTheEchoAsTyped)
{
    const FrameCase& c = GetParam();
    panel.address = c.address;
    panel.key = c.key;
    panel.data = c.data;
    press(c.command);

    EXPECT_EQ(line.outputs().size(), 3);
    EXPECT_EQ(line.written_bytes(), c.line_bytes);
    EXPECT_EQ(panel.echo, c.echo);
    EXPECT_EQ(panel.data, c.data) << "the data field keeps its untrimmed text";
}

INSTANTIATE_TEST_SUITE_P(Commands, Frames,
    testing::Values(FrameCase { "ModifyIssue", CardCommand::modify_issue, "08", "FFFFFF", "ABCD",
                        "\x02W08;FFFFFF;ABCD\x03",
                        QStringLiteral("[STX] W 08 ; FFFFFF ; ABCD [ETX] 수정 카드 발행 입니다.") },
        FrameCase { "NewIssueEmptyData", CardCommand::new_issue, "04", "730914", "",
            "\x02N04;730914;\x03", QStringLiteral("[STX] N 04 ; 730914 ; ") + new_issue_echo_tail },
        FrameCase { "ModifyIssueEmptyData", CardCommand::modify_issue, "04", "730914", "   ",
            "\x02W04;730914;\x03",
            QStringLiteral("[STX] W 04 ; 730914 ;  [ETX] 수정 카드 발행 입니다.") },
        FrameCase { "ReadEmptyKey", CardCommand::read, "04", "", "", "\x02R04;\x03",
            QStringLiteral("[STX] R 04; [ETX] 카드 읽기 입니다.") },
        FrameCase { "ReadEmptyAddressAndKey", CardCommand::read, "", "", "", "\x02R;\x03",
            QStringLiteral("[STX] R ; [ETX] 카드 읽기 입니다.") },
        FrameCase { "SemicolonsInsideFields", CardCommand::new_issue, "0;4", "73;0914", "a;b;",
            "\x02N0;4;73;0914;a;b;\x03",
            QStringLiteral("[STX] N 0;4 ; 73;0914 ; a;b; [ETX] 신규 카드 발행 입니다.") },
        FrameCase { "SemicolonInsideReadKey", CardCommand::read, "04", "7;9", "", "\x02R04;7;9\x03",
            QStringLiteral("[STX] R 04;7;9 [ETX] 카드 읽기 입니다.") },
        FrameCase { "AllFieldsTrimmed", CardCommand::new_issue, "  04 ", " 730914  ", "  abcd  ",
            "\x02N04;730914;abcd\x03",
            QStringLiteral("[STX] N 04 ; 730914 ; abcd [ETX] 신규 카드 발행 입니다.") },
        FrameCase { "ReadFieldsTrimmed", CardCommand::read, " 04", "730914 ", "",
            "\x02R04;730914\x03", QStringLiteral("[STX] R 04;730914 [ETX] 카드 읽기 입니다.") },
        FrameCase { "InnerSpacesAndTabsStay", CardCommand::new_issue, "0 4", "\t730914", "ab cd\t",
            "\x02N0 4;\t730914;ab cd\t\x03",
            QStringLiteral("[STX] N 0 4 ; \t730914 ; ab cd\t") + new_issue_echo_tail },
        FrameCase { "SixteenCharactersThenSpaces", CardCommand::new_issue, "04", "730914",
            "1234567890123456     ", "\x02N04;730914;1234567890123456\x03",
            QStringLiteral("[STX] N 04 ; 730914 ; 1234567890123456") + new_issue_echo_tail },
        FrameCase { "HangulAsUtf8", CardCommand::new_issue, "04", "730914", "가",
            "\x02N04;730914;\xEA\xB0\x80\x03",
            QStringLiteral("[STX] N 04 ; 730914 ; 가") + new_issue_echo_tail },
        FrameCase { "EmojiAndFullWidthSpaceAsUtf8", CardCommand::modify_issue, "04", "\u3000k", "😀",
            "\x02W04;\xE3\x80\x80k;\xF0\x9F\x98\x80\x03",
            QStringLiteral("[STX] W 04 ; \u3000k ; 😀 [ETX] 수정 카드 발행 입니다.") }),
    [](const auto& info) { return std::string(info.param.name); });

struct LengthCase {
    const char* name;
    // Listed by name in test output.
    friend void PrintTo(const LengthCase& row, std::ostream* os) { *os << row.name; }
    QString data;
    bool sent;
};

class DataLength : public Sending,
                   public testing::WithParamInterface<std::tuple<CardCommand, LengthCase>> { };

TEST_P(DataLength, AtMostSixteenCharactersAreSent)
{
    const auto& [command, c] = GetParam();
    panel.data = c.data;
    panel.echo = QStringLiteral("previous echo");
    panel.log = QStringLiteral("[ACK]previous log");
    panel.status = QStringLiteral("previous status");
    commands.set_cmd_state(QStringLiteral("read_ack_cr"));

    press(command);

    if (c.sent) {
        EXPECT_EQ(line.outputs().size(), 3);
        EXPECT_EQ(line.outputs()[1].section(u';', 2), trim_spaces(c.data));
        EXPECT_EQ(commands.cmd_state(), initial_state(command));
        return;
    }
    EXPECT_TRUE(line.outputs().isEmpty());
    const QList<RecordingCardPanel::Event> expected { { "message", too_long, "", "read_ack_cr",
        0 } };
    EXPECT_EQ(panel.events, expected);
    EXPECT_EQ(panel.echo, u"previous echo");
    EXPECT_EQ(panel.log, u"[ACK]previous log");
    EXPECT_EQ(panel.status, u"previous status");
    EXPECT_EQ(commands.cmd_state(), u"read_ack_cr");
}

INSTANTIATE_TEST_SUITE_P(IssueCommands, DataLength,
    testing::Combine(testing::Values(CardCommand::new_issue, CardCommand::modify_issue),
        testing::Values(LengthCase { "SixteenAscii", QString(16, u'x'), true },
            LengthCase { "SeventeenAscii", QString(17, u'x'), false },
            LengthCase {
                "SixteenAsciiInSpaces", QString(3, u' ') + QString(16, u'x') + "  ", true },
            LengthCase { "SixteenWithInnerSpaces", QStringLiteral("12345678 0123456"), true },
            LengthCase { "SeventeenWithInnerSpace", QStringLiteral("12345678 01234567"), false },
            LengthCase { "SixteenAndTab", QString(16, u'x') + u'\t', false },
            LengthCase {
                "SixteenHangul", QStringLiteral("가나다라마바사아자차카타파하가나"), true },
            LengthCase {
                "SeventeenHangul", QStringLiteral("가나다라마바사아자차카타파하가나다"), false },
            LengthCase { "SixteenEmoji", QStringLiteral("😀").repeated(16), true },
            LengthCase { "SeventeenEmoji", QStringLiteral("😀").repeated(17), false },
            LengthCase { "FifteenAndFullWidthSpace", QString(15, u'x') + u'\u3000', true },
            LengthCase { "SixteenAndFullWidthSpace", QString(16, u'x') + u'\u3000', false })),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == CardCommand::new_issue ? "New" : "Modify")
            + std::get<1>(info.param).name;
    });

TEST_F(Sending, ReadIgnoresDataOfAnyLength)
{
    panel.data = QString(40, u'x');
    commands.cmd_read();
    EXPECT_EQ(line.written_bytes(), QByteArray("\x02R04;730914\x03"));
    EXPECT_TRUE(panel.texts_of("message").isEmpty());
}

TEST_F(Sending, ReadClearsTheLogFirstOnEveryPress)
{
    for (int press = 0; press < 2; ++press) {
        panel.events.clear();
        panel.log = QStringLiteral("[ACK][CR]ABC");
        commands.cmd_read();
        ASSERT_FALSE(panel.events.isEmpty());
        const RecordingCardPanel::Event first = panel.events.front();
        EXPECT_EQ(first.control, u"log");
        EXPECT_EQ(first.text, u"");
        EXPECT_EQ(first.writes_then, 3 * press) << "cleared before this press wrote anything";
        EXPECT_EQ(panel.log, u"");
    }
}

TEST_F(Sending, IssueCommandsLeaveTheLog)
{
    panel.log = QStringLiteral("[ACK]");
    commands.cmdwrite();
    commands.cmdeditwrite();
    EXPECT_EQ(panel.log, u"[ACK]");
    EXPECT_TRUE(panel.texts_of("log").isEmpty());
}

TEST_F(Sending, StateIsSetAfterTheWritesAndTheEcho)
{
    for (const CardCommand command :
        { CardCommand::read, CardCommand::new_issue, CardCommand::modify_issue }) {
        commands.set_cmd_state(QStringLiteral("new_ack_cr"));
        line.clear_outputs();
        panel.events.clear();
        panel.status = QStringLiteral("status");
        press(command);

        const QStringList echoes = panel.texts_of("echo");
        ASSERT_EQ(echoes.size(), 1);
        const auto echo = std::find_if(panel.events.begin(), panel.events.end(),
            [](const auto& event) { return event.control == u"echo"; });
        EXPECT_EQ(echo->writes_then, 3);
        EXPECT_EQ(echo->state_then, u"new_ack_cr");
        EXPECT_EQ(commands.cmd_state(), initial_state(command))
            << "a new command replaces an unfinished one";
        EXPECT_TRUE(panel.texts_of("status").isEmpty());
        EXPECT_EQ(panel.status, u"status");
    }
}

TEST_F(Sending, NoPortOpenStopsAtTheFirstWriteAndTellsTheOperator)
{
    ASSERT_TRUE(line.set_port_open(false).ok());
    for (const CardCommand command :
        { CardCommand::read, CardCommand::new_issue, CardCommand::modify_issue }) {
        panel.events.clear();
        panel.echo = QStringLiteral("previous echo");
        panel.log = QStringLiteral("[NAK]");
        commands.set_cmd_state(QStringLiteral("edit_ack"));
        press(command);

        EXPECT_TRUE(line.outputs().isEmpty());
        const RecordingCardPanel::Event refused { "message", CardCommands::send_failed_message(),
            "COM1: " + SerialControl::not_open_reason(), "edit_ack", 0 };
        QList<RecordingCardPanel::Event> expected { refused };
        if (command == CardCommand::read)
            expected.prepend({ "log", "", "", "edit_ack", 0 });
        EXPECT_EQ(panel.events, expected);
        EXPECT_EQ(panel.echo, u"previous echo");
        EXPECT_EQ(panel.log, command == CardCommand::read ? QString() : QStringLiteral("[NAK]"));
        EXPECT_EQ(commands.cmd_state(), u"edit_ack");
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
    CommResult set_port_open(bool) override { return CommResult::success(); }
    CommResult output(const QString& text) override
    {
        if (written.size() == accepted_)
            return CommResult::failure("COM3", "Input/output error");
        written.append(text);
        return CommResult::success();
    }
    QByteArray input() override { return {}; }

    QStringList written;

private:
    int accepted_;
};

TEST(SendingOnAFailingLine, StopsAtTheRefusedWrite)
{
    for (int accepted = 0; accepted < 3; ++accepted) {
        for (const auto& [command, press] :
            { std::pair { CardCommand::read, &CardCommands::cmd_read },
                { CardCommand::new_issue, &CardCommands::cmdwrite },
                { CardCommand::modify_issue, &CardCommands::cmdeditwrite } }) {
            SCOPED_TRACE(testing::Message()
                << "accepted " << accepted << " command " << static_cast<int>(command));
            RefusingLine line(accepted);
            RecordingCardPanel panel;
            panel.echo = QStringLiteral("previous echo");
            CardCommands commands(panel, line);
            commands.set_cmd_state(QStringLiteral("read_nak"));
            (commands.*press)();

            EXPECT_EQ(line.written.size(), accepted);
            EXPECT_EQ(
                panel.texts_of("message"), QStringList { CardCommands::send_failed_message() });
            EXPECT_EQ(panel.events.back().detail, u"COM3: Input/output error");
            EXPECT_EQ(panel.echo, u"previous echo");
            EXPECT_EQ(commands.cmd_state(), u"read_nak");
        }
    }
}

TEST_F(Sending, FailureMessageIsKorean)
{
    const QString text = CardCommands::send_failed_message();
    EXPECT_TRUE(std::any_of(text.begin(), text.end(),
        [](QChar c) { return c.unicode() >= 0xAC00 && c.unicode() <= 0xD7A3; }));
}

TEST_F(Sending, TestButtonCyclesThroughThreePatterns)
{
    panel.echo = QStringLiteral("echo");
    panel.status = QStringLiteral("status");
    panel.log = QStringLiteral("log");
    commands.set_cmd_state(QStringLiteral("new_ack"));
    const QStringList expected { "1234567890123456", "0000000000000000", "5555555555555555",
        "1234567890123456", "0000000000000000", "5555555555555555", "1234567890123456" };
    for (qsizetype press = 0; press < expected.size(); ++press) {
        panel.data = QStringLiteral("typed by hand %1").arg(press);
        commands.cmdeditwrtest();
        EXPECT_EQ(panel.data, expected[press]) << "press " << press + 1;
        EXPECT_EQ(character_count(panel.data), max_data_characters);
    }
    EXPECT_TRUE(line.outputs().isEmpty());
    EXPECT_TRUE(panel.events.isEmpty());
    EXPECT_EQ(commands.cmd_state(), u"new_ack");
}

TEST_F(Sending, SendingDoesNotResetTheTestCycle)
{
    commands.cmdeditwrtest();
    commands.cmdwrite();
    commands.cmd_read();
    commands.cmdeditwrtest();
    EXPECT_EQ(panel.data, u"0000000000000000");
    EXPECT_EQ(commands.test_pattern_index(), 2);
}

} // namespace
