// A batch on standard input as a pipe: Windows has nothing to notify with, so a thread of
// BatchInput's reads it; each line comes as its bytes do, and the end as the writer closes.

#include "BatchInput.h"
#include "HangCeiling.h"

#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <optional>
#include <windows.h>

namespace {

TEST(BatchInputOnWindows, LinesOfAPipeComeAsTheyAreWrittenAndItsCloseEndsThem)
{
    HANDLE read_end = nullptr, write_end = nullptr;
    ASSERT_TRUE(::CreatePipe(&read_end, &write_end, nullptr, 0));
    const int saved = ::_dup(0);
    const int pipe_fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(read_end), _O_RDONLY);
    ASSERT_EQ(::_dup2(pipe_fd, 0), 0);
    ::_close(pipe_fd);
    BatchInput input(std::nullopt);
    ASSERT_TRUE(input.open("-"));
    EXPECT_FALSE(input.regular_file());
    EXPECT_FALSE(input.next()) << "nothing written yet";

    const auto write = [&](const char* text) {
        DWORD written = 0;
        ::WriteFile(write_end, text, DWORD(std::strlen(text)), &written, nullptr);
    };
    write("op,address\r\nread,04");
    std::optional<BatchInput::Line> line;
    ASSERT_TRUE(wait_for([&] { return (line = input.next()).has_value(); }));
    EXPECT_EQ(line->text, "op,address");
    EXPECT_FALSE(input.next()) << "the second line has no end yet";
    ::CloseHandle(write_end);
    ASSERT_TRUE(wait_for([&] { return (line = input.next()).has_value(); }));
    EXPECT_EQ(line->number, 2);
    EXPECT_EQ(line->text, "read,04");
    ASSERT_TRUE(wait_for([&] { return !input.next() && input.at_end(); }));
    ::_dup2(saved, 0);
    ::_close(saved);
}

} // namespace
