// What Windows does its own way: the receive log's bytes above 0x7F through the ANSI code page,
// the console's stop events, a pipe whose reader went away, and the command line in UTF-8.
// scripts/windows/test.sh runs this under Wine, in the code pages it can give.

#include "ByteDisplay.h"
#include "HangCeiling.h"
#include "StandardStreams.h"
#include "StartUp.h"
#include "StopSignals.h"

#include <QSignalSpy>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <span>
#include <windows.h>

namespace {

// A few bytes' forms in each code page a desk has: Windows-1252 as on Linux, CP949 where each of
// these bytes alone is half a Hangul character. Never a control, whatever the page.
TEST(ReceiveLogOnWindows, HighBytesShowAsTheAnsiCodePageHasThem)
{
    const std::pair<int, QString> western[] = { { 0x80, "€" }, { 0x81, "\uFFFD" }, { 0x9F, "Ÿ" },
        { 0xA0, "\u00A0" }, { 0xE9, "é" }, { 0xFF, "ÿ" } };
    const std::pair<int, QString> korean[]
        = { { 0xA1, "\uFFFD" }, { 0xB0, "\uFFFD" }, { 0xC4, "\uFFFD" }, { 0xFE, "\uFFFD" } };
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        EXPECT_FALSE(is_control_character(display_form(quint8(byte))[0].unicode())) << byte;
    const UINT page = ::GetACP();
    if (page != 1252 && page != 949)
        GTEST_SKIP() << "no rows for the ANSI code page " << page;
    using Rows = std::span<const std::pair<int, QString>>;
    for (const auto& [byte, form] : page == 1252 ? Rows(western) : Rows(korean)) {
        SCOPED_TRACE(testing::Message() << "code page " << page << " byte " << byte);
        EXPECT_EQ(display_form(quint8(byte)), form);
    }
}

// Ctrl+Break is told as SIGBREAK, as a shell counts it: the run ends with 149.
TEST(StopSignalsOnWindows, CtrlBreakIsRequestedOnTheEventLoop)
{
    StopSignals stop_signals;
    QSignalSpy requested(&stop_signals, &StopSignals::requested);
    if (!::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0))
        GTEST_SKIP() << "no console to send Ctrl+Break to (" << ::GetLastError() << ")";
    ASSERT_TRUE(wait_for([&] { return !requested.isEmpty(); }));
    EXPECT_EQ(requested.first().first().toInt(), SIGBREAK);
}

// Standard output on a pipe is gone once the pipe's reader closes its end, not before.
TEST(StandardStreamsOnWindows, OutputIsGoneWhenThePipesReaderCloses)
{
    HANDLE read_end = nullptr, write_end = nullptr;
    ASSERT_TRUE(::CreatePipe(&read_end, &write_end, nullptr, 0));
    const int saved = ::_dup(1);
    const int pipe_fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(write_end), _O_WRONLY);
    ASSERT_EQ(::_dup2(pipe_fd, 1), 0);
    const bool gone_while_read = standard_output_gone();
    ::CloseHandle(read_end);
    const bool gone_after = standard_output_gone();
    ::_dup2(saved, 1);
    ::_close(pipe_fd);
    ::_close(saved);
    EXPECT_FALSE(gone_while_read);
    EXPECT_TRUE(gone_after);
}

// The arguments are the command line's in UTF-8, not the ANSI code page's argv: the harness
// passes a Hangul one.
TEST(StartUpOnWindows, ArgumentsAreTheCommandLinesInUtf8)
{
    const QByteArrayList arguments = program_arguments(0, nullptr);
    ASSERT_FALSE(arguments.isEmpty());
    EXPECT_TRUE(arguments.first().endsWith("windows_platform_tests.exe"))
        << arguments.first().data();
    if (!arguments.contains("--novard-hangul"))
        GTEST_SKIP() << "run without the harness's arguments";
    EXPECT_EQ(arguments.last(), QByteArray("\xEC\xB9\xB4\xEB\x93\x9C")) << "카드 in UTF-8";
}

} // namespace
