#include "WindowFixture.h"

#include <QTest>

namespace {

QByteArray bytes(const char* text)
{
    return QByteArray(text);
}

struct CommandFlowTest : WindowFixture {
    void SetUp() override
    {
        start({ 1 });
        line.clear_outputs();
    }
    void type(const char* field, const QString& text) { get<QLineEdit>(field)->setText(text); }
};

struct Flow {
    const char* button;
    const char* data;
    QByteArray wire;
    const char* echo;
    const char* accepted;
    const char* completed;
};

TEST_F(CommandFlowTest, EachButtonWritesItsFrameAndTheRepliesBringItsMessages)
{
    const Flow flows[] = {
        { "cmd_read", "", bytes("\x02R04;730914\x03"), "[STX] R 04;730914 [ETX] 카드 읽기 입니다.",
            "읽기 명령 전송 완료 -> 카드를 대어 주세요", "카드 읽기 완료" },
        { "cmdwrite", "0000000000000000", bytes("\x02N04;730914;0000000000000000\x03"),
            "[STX] N 04 ; 730914 ; 0000000000000000 [ETX] 신규 카드 발행 입니다.",
            "발행 명령 전송 완료 -> 카드를 대어 주세요", "카드 발행 완료" },
        { "cmdeditwrite", "ABC", bytes("\x02W04;730914;ABC\x03"),
            "[STX] W 04 ; 730914 ; ABC [ETX] 수정 카드 발행 입니다.",
            "수정 명령 전송 완료 -> 카드를 대어 주세요", "카드 수정 완료" },
    };
    for (const Flow& flow : flows) {
        SCOPED_TRACE(flow.button);
        line.clear_outputs();
        type("txtrecv", "");
        type("txtwrdata", QString::fromUtf8(flow.data));
        QTest::mouseClick(get<QPushButton>(flow.button), Qt::LeftButton);

        EXPECT_EQ(line.outputs().size(), 3);
        EXPECT_EQ(line.written_bytes(), flow.wire);
        EXPECT_EQ(text("Label"), QString::fromUtf8(flow.echo));

        line.receive(bytes("\x06"));
        line.receive(bytes("\x0d"));
        EXPECT_EQ(text("Label1"), QString::fromUtf8(flow.accepted));
        line.receive(bytes("0123456789ABCDEF\x0d"));
        EXPECT_EQ(text("Label1"), QString::fromUtf8(flow.completed));
        EXPECT_EQ(text("txtrecv"), "[ACK][CR]0123456789ABCDEF[CR]");
        EXPECT_EQ(window->commands().cmd_state(), "");
    }
}

TEST_F(CommandFlowTest, SeventeenCharactersAreRefusedAndTheLineStaysSilent)
{
    type("txtwrdata", "12345678901234567");
    get<QLabel>("Label")->setText("before");
    press("cmdwrite");
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_EQ(desktop.messages[0].text, "16자를 초과 했습니다");
    EXPECT_EQ(desktop.messages[0].title, "NOVARD Read/Write DEMO");
    EXPECT_TRUE(line.outputs().isEmpty());
    EXPECT_EQ(text("Label"), "before");
    EXPECT_EQ(window->commands().cmd_state(), "");
}

TEST_F(CommandFlowTest, ASendWithNoPortOpenTellsTheOperatorAndTheWindowCarriesOn)
{
    press("cmd_port_search"); // leaves no port open
    ASSERT_FALSE(line.port_open());
    type("txtrecv", "old");
    press("cmd_read");
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_TRUE(desktop.messages[0].detail.contains("the port is not open"));
    EXPECT_EQ(text("txtrecv"), "");
    EXPECT_EQ(window->commands().cmd_state(), "");

    get<QRadioButton>("Optcom1")->click();
    press("cmd_read");
    EXPECT_EQ(line.written_bytes(), bytes("\x02R04;730914\x03"));
    EXPECT_EQ(window->commands().cmd_state(), "read");
}

TEST_F(CommandFlowTest, MarkupTypedIntoTheDataIsEchoedLiterally)
{
    type("txtwrdata", "<b>x</b><img>");
    press("cmdwrite");
    auto* label = get<QLabel>("Label");
    EXPECT_EQ(label->text(), "[STX] N 04 ; 730914 ; <b>x</b><img> [ETX] 신규 카드 발행 입니다.");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

TEST_F(CommandFlowTest, TheTestButtonCyclesThePatternsAndSendsNothing)
{
    const QStringList expected { "1234567890123456", "0000000000000000", "5555555555555555",
        "1234567890123456" };
    for (const QString& pattern : expected) {
        press("cmdeditwrtest");
        EXPECT_EQ(text("txtwrdata"), pattern);
        type("txtwrdata", "typed in between");
    }
    EXPECT_TRUE(line.outputs().isEmpty());
}

TEST_F(CommandFlowTest, TheClearButtonEmptiesTheLogAndTheEchoButNotTheProgress)
{
    press("cmd_read");
    line.receive(bytes("\x06\x0d"));
    press("cmderase");
    EXPECT_EQ(text("txtrecv"), "");
    EXPECT_EQ(text("Label"), "");
    EXPECT_EQ(text("Label1"), "읽기 명령 전송 완료 -> 카드를 대어 주세요");
    line.receive(bytes("\x0d"));
    EXPECT_EQ(text("Label1"), "카드 읽기 완료");
    EXPECT_EQ(text("txtrecv"), "[CR]");
}

TEST_F(CommandFlowTest, AnUnpluggedReaderLeavesTheWindowRunningAndTheNextSendSaysSo)
{
    press("cmd_read");
    line.unplug();
    EXPECT_EQ(text("Label1"), "");
    press("cmd_read");
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_TRUE(desktop.messages[0].detail.contains("the port is not open"));
}

} // namespace
