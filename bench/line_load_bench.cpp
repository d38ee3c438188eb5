// The window on a busy line, through a real pseudo-terminal and QSerialPort:
//
//   line_load_bench paced [seconds]   one byte every 1.04 ms (a reader at 9600 baud, threshold
//                                     one byte): the CPU share of the tool, the writer excluded
//   line_load_bench flood [seconds]   the line written at full speed, a click on cmd_read every
//                                     250 ms: how long until its frame is on the line (under
//                                     xvfb-run with QT_QPA_PLATFORM=xcb the click is xdotool's)
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise (xvfb-run -a with QT_QPA_PLATFORM=xcb).
// The bytes are written by a thread of their own with an absolute-time pacing loop; its CPU time
// is taken out of the process's.

#include "WindowOnPty.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <poll.h>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// 10 bits (start, 8 data, stop) at 9600 baud.
constexpr long character_time_ns = 1'000'000'000L * 10 / 9600;

double seconds_of(const timeval& time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

double process_cpu_seconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime);
}

double thread_cpu_seconds()
{
    timespec time {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

// A reader's chatter: acknowledgements, blocks of data, refusals and card errors.
const QByteArray chatter("\x06\r0123456789ABCDEF\r\x15\r\x06\r\x18\r");

// Runs the event loop for the given time while writer runs beside it; returns the tool's CPU
// seconds (the process's less the writer's).
template <typename Writer> double tool_cpu_while(double seconds, Writer writer)
{
    std::atomic<bool> stop = false;
    double writer_cpu = 0;
    const double cpu_before = process_cpu_seconds();
    std::thread thread([&] {
        writer(stop);
        writer_cpu = thread_cpu_seconds();
    });
    QTimer::singleShot(int(seconds * 1000), [&] { stop = true; });
    while (!stop)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    thread.join();
    // What is still on its way is taken too, so that no work is left out of the figure.
    QTimer::singleShot(100, qApp, &QCoreApplication::quit);
    QApplication::exec();
    return process_cpu_seconds() - cpu_before - writer_cpu;
}

// Counts the paints of one widget.
class PaintCounter final : public QObject {
public:
    long paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

int paced(WindowOnPty& tool, double seconds)
{
    PaintCounter log_paints;
    tool.window->findChild<QWidget*>(QStringLiteral("txtrecv"))->installEventFilter(&log_paints);
    long bytes = 0;
    const double cpu = tool_cpu_while(seconds, [&](std::atomic<bool>& stop) {
        timespec next {};
        ::clock_gettime(CLOCK_MONOTONIC, &next);
        while (!stop) {
            next.tv_nsec += character_time_ns;
            if (next.tv_nsec >= 1'000'000'000L) {
                next.tv_nsec -= 1'000'000'000L;
                ++next.tv_sec;
            }
            ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
            tool.pty.write(chatter.mid(bytes % chatter.size(), 1));
            ++bytes;
        }
    });
    std::printf("paced line, one byte every %.2f ms for %.0f s (%ld bytes): tool CPU %.1f %% of a "
                "core, the log painted %.0f times a second\n",
        double(character_time_ns) / 1e6, seconds, bytes, 100 * cpu / (seconds + 0.1),
        double(log_paints.paints) / seconds);
    return 0;
}

// On a display the click is the X server's, through xdotool (its start-up counts in the time):
// the command that clicks the button; offscreen none, as the click is posted to the window's event
// queue. Nothing when the window is never shown.
std::optional<QByteArray> xdotool_click(WindowOnPty& tool, const QPushButton* button)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return QByteArray();
    if (!QTest::qWaitForWindowExposed(tool.window.get()))
        return std::nullopt;
    const QPoint at = button->mapToGlobal(button->rect().center());
    return QStringLiteral("xdotool mousemove %1 %2 click 1").arg(at.x()).arg(at.y()).toLatin1();
}

// The tool's frames come back on the master side; the ETX closes each, and its time is stamped.
void watch_frames(int master_fd, std::atomic<long>& frame_out_ns, const std::atomic<bool>& stop)
{
    char buffer[256];
    while (!stop) {
        pollfd pfd { master_fd, POLLIN, 0 };
        if (::poll(&pfd, 1, 20) <= 0)
            continue;
        const ssize_t count = ::read(master_fd, buffer, sizeof buffer);
        if (count > 0 && std::find(buffer, buffer + count, '\x03') != buffer + count)
            frame_out_ns = Clock::now().time_since_epoch().count();
    }
}

// The flood's figures on standard output; 1 when no frame went out.
int report_flood(double seconds, long bytes, std::vector<double> latencies_ms, double cpu)
{
    std::ranges::sort(latencies_ms);
    if (latencies_ms.empty()) {
        std::printf("flood: no frame went out\n");
        return 1;
    }
    std::printf("flood for %.0f s (%.0f kB/s): %zu clicks, frame out after %.1f ms median, %.1f ms "
                "max; tool CPU %.0f %% of a core\n",
        seconds, double(bytes) / seconds / 1000, latencies_ms.size(),
        latencies_ms[latencies_ms.size() / 2], latencies_ms.back(), 100 * cpu / (seconds + 0.1));
    return 0;
}

int flood(WindowOnPty& tool, double seconds)
{
    auto* read_button = tool.window->findChild<QPushButton*>(QStringLiteral("cmd_read"));
    const std::optional<QByteArray> click_command = xdotool_click(tool, read_button);
    if (!click_command)
        return 1;
    const QByteArray& xdotool = *click_command;
    std::atomic<long> frame_out_ns = 0;
    std::atomic<bool> stop_reading = false;
    std::thread reader(
        watch_frames, tool.pty.master_fd(), std::ref(frame_out_ns), std::cref(stop_reading));

    std::vector<double> latencies_ms;
    long bytes = 0;
    const double cpu = tool_cpu_while(seconds, [&](std::atomic<bool>& stop) {
        QByteArray block;
        while (block.size() < 4096)
            block += chatter;
        auto next_click = Clock::now() + std::chrono::milliseconds(250);
        Clock::time_point clicked {};
        while (!stop) {
            const ssize_t count
                = ::write(tool.pty.master_fd(), block.constData(), size_t(block.size()));
            if (count > 0) {
                bytes += count;
            } else {
                pollfd pfd { tool.pty.master_fd(), POLLOUT, 0 };
                ::poll(&pfd, 1, 1);
            }
            const auto now = Clock::now();
            if (clicked != Clock::time_point {} && frame_out_ns.load() != 0) {
                latencies_ms.push_back(
                    double(frame_out_ns.exchange(0) - clicked.time_since_epoch().count()) / 1e6);
                clicked = {};
            } else if (clicked == Clock::time_point {} && now >= next_click) {
                clicked = now;
                if (!xdotool.isEmpty())
                    std::thread([&xdotool] {
                        // A click that xdotool could not make shows as no frame out.
                        [[maybe_unused]] const int status = std::system(xdotool.constData());
                    }).detach();
                else
                    QMetaObject::invokeMethod(
                        read_button, &QPushButton::click, Qt::QueuedConnection);
                next_click = now + std::chrono::milliseconds(250);
            }
        }
    });
    stop_reading = true;
    reader.join();

    return report_flood(seconds, bytes, std::move(latencies_ms), cpu);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("paced");
    const double seconds = argc > 2 ? std::max(1.0, atof(argv[2])) : 10;
    WindowOnPty tool;
    if (!tool.valid()) {
        std::fputs("line_load_bench: no pseudo-terminal\n", stderr);
        return 1;
    }
    if (mode == "paced")
        return paced(tool, seconds);
    if (mode == "flood")
        return flood(tool, seconds);
    std::fputs("usage: line_load_bench paced|flood [seconds]\n", stderr);
    return 2;
}
