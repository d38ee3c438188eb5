#include "WindowFixture.h"

namespace {

// Frames and echo texts in full are the card protocol's tests; here each control is shown to reach
// the protocol and back.
struct CommandFlowTest : WindowFixture {
    void SetUp() override
    {
        start({ 1 });
        line.clear_outputs();
    }
};

TEST_F(CommandFlowTest, EachButtonSendsTheFieldsAndTheRepliesBringItsMessages)
{
    struct Flow {
        const char* button;
        const char* body;
        const char* accepted;
        const char* completed;
    };
    const Flow flows[] = {
        { "cmd_read", "R04;730914", "읽기 명령 전송 완료 -> 카드를 대어 주세요", "카드 읽기 완료" },
        { "cmdwrite", "N04;730914;ABC", "발행 명령 전송 완료 -> 카드를 대어 주세요",
            "카드 발행 완료" },
        { "cmdeditwrite", "W04;730914;ABC", "수정 명령 전송 완료 -> 카드를 대어 주세요",
            "카드 수정 완료" },
    };
    type("txtwrdata", "ABC");
    for (const Flow& flow : flows) {
        SCOPED_TRACE(flow.button);
        line.clear_outputs();
        type("txtrecv", "");
        click(get(flow.button));
        EXPECT_EQ(line.outputs(), QStringList({ "\x02", flow.body, "\x03" }));
        EXPECT_TRUE(text("Label").startsWith(QStringLiteral("[STX] ") + flow.body[0]));

        line.receive("\x06");
        line.receive("\x0d");
        EXPECT_EQ(text("Label1"), flow.accepted);
        line.receive("0123456789ABCDEF\x0d");
        EXPECT_EQ(text("Label1"), flow.completed);
        EXPECT_EQ(window->log_text(), "[ACK][CR]0123456789ABCDEF[CR]");
        // The box takes the log's text within a screen frame.
        EXPECT_TRUE(QTest::qWaitFor([&] { return text("txtrecv") == window->log_text(); }));
        EXPECT_EQ(state(), "");
    }
}

TEST_F(CommandFlowTest, SeventeenCharactersAreRefusedAndTheLineStaysSilent)
{
    type("txtwrdata", "12345678901234567");
    get<QLabel>("Label")->setText("before");
    press("cmdwrite");
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_EQ(desktop.messages[0].title, "NOVARD Read/Write DEMO");
    EXPECT_EQ(desktop.messages[0].text, "16자를 초과 했습니다");
    EXPECT_TRUE(line.outputs().isEmpty());
    EXPECT_EQ(text("Label"), "before");
}

TEST_F(CommandFlowTest, ASendWithNoPortOpenTellsTheOperatorAndTheWindowCarriesOn)
{
    press("cmd_port_search"); // leaves no port open
    ASSERT_FALSE(line.port_open());
    type("txtrecv", "old");
    press("cmd_read");
    // COM16, the search's last probe, is in CommPort; no device the operator never chose is named.
    ASSERT_EQ(desktop.messages.size(), 1);
    EXPECT_EQ(
        desktop.messages[0].text, "열린 통신포트가 없습니다. 통신포트를 선택하시기 바랍니다.");
    EXPECT_EQ(desktop.messages[0].detail, "");
    EXPECT_EQ(text("txtrecv"), "");
    EXPECT_EQ(state(), "");

    option(1)->click();
    press("cmd_read");
    EXPECT_EQ(line.outputs().value(1), "R04;730914");
    EXPECT_EQ(state(), "read");
}

TEST_F(CommandFlowTest, MarkupTypedIntoTheDataIsEchoedLiterally)
{
    type("txtwrdata", "<b>x</b><img>");
    press("cmdwrite");
    EXPECT_EQ(text("Label"), "[STX] N 04 ; 730914 ; <b>x</b><img> [ETX] 신규 카드 발행 입니다.");
}

TEST_F(CommandFlowTest, TheTestButtonFillsTheDataAndTheClearButtonEmptiesLogAndEcho)
{
    press("cmdeditwrtest");
    EXPECT_EQ(text("txtwrdata"), "1234567890123456");
    EXPECT_TRUE(line.outputs().isEmpty());

    press("cmd_read");
    line.receive("\x06\x0d");
    press("cmderase");
    EXPECT_EQ(text("txtrecv"), "");
    EXPECT_EQ(text("Label"), "");
    EXPECT_EQ(text("Label1"), "읽기 명령 전송 완료 -> 카드를 대어 주세요");
}

// Only the log's end is on screen; whatever the operator reaches into is the whole log.
TEST_F(CommandFlowTest, TheLogBoxShowsTheLogsEndAndTheWholeLogOnceTheOperatorClicksIntoIt)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto* box = get<QLineEdit>("txtrecv");
    const auto shows_the_end
        = [&] { return !box->text().isEmpty() && window->log_text().endsWith(box->text()); };
    line.receive(QByteArray(2000, '0') + "123456789");
    ASSERT_TRUE(QTest::qWaitFor(shows_the_end));
    EXPECT_LT(box->text().size(), window->log_text().size());

    // A click near the right end puts the cursor near the log's end, as the operator saw it.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 20, box->height() / 2));
    EXPECT_EQ(box->text(), window->log_text());
    EXPECT_GT(box->cursorPosition(), window->log_text().size() - 8);
    line.receive("\x06");
    EXPECT_TRUE(QTest::qWaitFor([&] { return box->text().endsWith("[ACK]"); }));
    EXPECT_EQ(box->text(), window->log_text());

    click(get("txtwrdata"));
    line.receive("\x15");
    EXPECT_TRUE(QTest::qWaitFor([&] { return box->text().endsWith("[NAK]"); }));
    EXPECT_TRUE(shows_the_end());
    EXPECT_LT(box->text().size(), window->log_text().size());
}

} // namespace
