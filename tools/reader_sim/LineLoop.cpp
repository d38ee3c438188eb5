#include "LineLoop.h"

#include "PtyDevice.h"
#include "Reader.h"
#include "SystemReason.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace reader_sim {

namespace {
constexpr long character_time_ns = long(AnswerBuffer::byte_time.count());

void arm(int timer, long first_ns, long interval_ns)
{
    // A zero first expiry would disarm the timer, so "now" is one nanosecond.
    const itimerspec setting { { interval_ns / 1'000'000'000L, interval_ns % 1'000'000'000L },
        { first_ns / 1'000'000'000L, std::max(first_ns % 1'000'000'000L, 1L) } };
    ::timerfd_settime(timer, 0, &setting, nullptr);
}

void disarm(int timer)
{
    const itimerspec setting {};
    ::timerfd_settime(timer, 0, &setting, nullptr);
}

std::uint64_t expirations(int timer)
{
    std::uint64_t count = 0;
    if (::read(timer, &count, sizeof count) != sizeof count)
        return 0;
    return count;
}

void report_failure(const char* what)
{
    std::fprintf(stderr, "novard-reader-sim: %s: %s\n", what, qPrintable(c_locale_reason(errno)));
}
} // namespace

sigset_t LineLoop::stop_signals()
{
    sigset_t stop_set;
    sigemptyset(&stop_set);
    sigaddset(&stop_set, SIGINT);
    sigaddset(&stop_set, SIGTERM);
    sigaddset(&stop_set, SIGHUP);
    return stop_set;
}

LineLoop::LineLoop(PtyDevice& device, Reader& reader, CardTiming timing)
    : device_(device)
    , master_(device.master_fd())
    , reader_(reader)
    , timing_(timing)
    , keyboard_open_(timing.manual)
{
    const sigset_t stop_set = stop_signals();
    signal_fd_ = ::signalfd(-1, &stop_set, SFD_CLOEXEC | SFD_NONBLOCK);
    pace_timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    card_timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
}

LineLoop::~LineLoop()
{
    for (const int fd : { signal_fd_, pace_timer_, card_timer_ }) {
        if (fd >= 0)
            ::close(fd);
    }
}

int LineLoop::run()
{
    if (signal_fd_ < 0 || pace_timer_ < 0 || card_timer_ < 0) {
        report_failure("setting up the event loop");
        return 1;
    }

    enum { opens, line, signal, pace, card, keyboard };
    std::array<pollfd, 6> watched { { { device_.watch_fd(), POLLIN, 0 }, { master_, POLLIN, 0 },
        { signal_fd_, POLLIN, 0 }, { pace_timer_, POLLIN, 0 }, { card_timer_, POLLIN, 0 },
        { STDIN_FILENO, POLLIN, 0 } } };
    for (;;) {
        // A negative descriptor is skipped by poll: standard input only counts while it is open.
        watched[keyboard].fd = keyboard_open_ ? STDIN_FILENO : -1;
        if (::poll(watched.data(), watched.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            report_failure("waiting for the line");
            return 1;
        }
        if (watched[signal].revents != 0)
            return 0;
        // Before the line: a frame can only come after the open that precedes it.
        if (watched[opens].revents != 0)
            device_.take_opens_and_closes();
        if (watched[line].revents != 0 && !take_line_input())
            return 1;
        if (watched[pace].revents != 0 && !send_due_bytes())
            return 1;
        if (watched[card].revents != 0 && expirations(card_timer_) > 0)
            queue(reader_.present_card());
        if (watched[keyboard].revents != 0)
            take_keyboard_input();
    }
}

bool LineLoop::take_line_input()
{
    std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t count = ::read(master_, buffer.data(), buffer.size());
        if (count > 0) {
            const QByteArrayList answers = reader_.receive(QByteArrayView(buffer.data(), count));
            // Every frame is answered at once, so an answer means the awaited command changed.
            if (!answers.isEmpty())
                wait_for_card();
            for (const QByteArray& answer : answers)
                queue(answer);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (count < 0 && errno == EAGAIN) {
            return true;
        } else {
            if (count == 0)
                errno = EIO;
            report_failure("reading the line");
            return false;
        }
    }
}

void LineLoop::wait_for_card()
{
    if (!reader_.card_awaited()) {
        disarm(card_timer_);
    } else if (timing_.manual) {
        std::fputs("novard-reader-sim: card awaited: press Enter to present it\n", stderr);
    } else {
        arm(card_timer_, long(std::chrono::nanoseconds(timing_.delay).count()), 0);
    }
}

bool LineLoop::send_due_bytes()
{
    std::uint64_t due = expirations(pace_timer_);
    // Nobody listens: the bytes go out on the line all the same, and are lost.
    const bool lost = !device_.in_use();
    while (due > 0 && !answers_.empty()) {
        const QByteArrayView bytes
            = answers_.next(qsizetype(std::min<std::uint64_t>(due, AnswerBuffer::capacity)));
        const ssize_t count
            = lost ? ssize_t(bytes.size()) : ::write(master_, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN)
            return true; // The device side is full: try again on the next tick.
        if (count < 0) {
            report_failure("writing the line");
            return false;
        }
        answers_.sent(count);
        due -= std::uint64_t(count);
    }
    if (answers_.empty())
        disarm(pace_timer_);
    return true;
}

void LineLoop::take_keyboard_input()
{
    std::array<char, 256> buffer;
    const ssize_t count = ::read(STDIN_FILENO, buffer.data(), buffer.size());
    if (count <= 0) {
        if (count == 0 || errno != EINTR)
            keyboard_open_ = false;
        return;
    }
    for (const char key : QByteArrayView(buffer.data(), count)) {
        if (key == '\n')
            queue(reader_.present_card());
    }
}

void LineLoop::queue(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    if (answers_.empty())
        arm(pace_timer_, character_time_ns, character_time_ns);
    answers_.queue(bytes);
}

} // namespace reader_sim
