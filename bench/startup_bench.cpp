// Start-up as the operator meets it: novard-demo started as a fresh process, as a user starts it,
// against a bare Qt window of the same size with one Hangul label, alternating, on one display.
// Each is timed from its start to its window being mapped and to its first frame being drawn,
// and its peak resident memory is taken as it ends. At the first frame the scheduler's account of
// its main thread is read too: its time on a core, and its time waiting for one, which on a loaded
// machine tells the work a start does from the cores its threads and the X server fight for.
//
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bin/startup_bench [runs] [novard-demo ...]
//
// Without a program the novard-demo beside the benchmark is timed; given several (a build of
// main and one of a branch), each is timed in the same rounds. A program runs three times a
// round: with COM1 mapped to a pseudo-terminal and the system's ports numbered; with --demo, where
// its window shows with the simulated reader's port open; and with an empty folder of ports, the
// window alone with no port to read, search or open, against which the ports' share is told.

#include "Pty.h"
#include "WindowWatch.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

// Only a hang comes near it.
constexpr int hang_ceiling_ms = 60000;

struct Side {
    QString program;
    enum class Mode { bare, map, demo, no_ports } mode;
    std::vector<double> mapped_ms, frame_ms, peak_kb, main_cpu_ms, main_waiting_ms;

    QString label() const
    {
        switch (mode) {
        case Mode::bare:
            return QStringLiteral("bare window, one Hangul label");
        case Mode::map:
            return program + QStringLiteral(" --map COM1=pty");
        case Mode::demo:
            return program + QStringLiteral(" --demo");
        case Mode::no_ports:
            return program + QStringLiteral(" --port-dir EMPTY");
        }
        return {};
    }
};

std::vector<QByteArray> arguments_for(const Side& side, const Pty& pty, const QString& empty_dir)
{
    std::vector<QByteArray> arguments { QFile::encodeName(side.program) };
    if (side.mode == Side::Mode::map)
        arguments.insert(arguments.end(), { "--map", "COM1=" + pty.device_path().toUtf8() });
    if (side.mode == Side::Mode::demo)
        arguments.emplace_back("--demo");
    if (side.mode == Side::Mode::no_ports)
        arguments.insert(arguments.end(), { "--port-dir", QFile::encodeName(empty_dir) });
    if (side.mode != Side::Mode::bare)
        arguments.insert(arguments.end(), { "--language", "ko" });
    return arguments;
}

// The main thread's time on a core and its time waiting for one, since it began; nothing where the
// kernel keeps no such account.
std::optional<std::pair<double, double>> main_thread_times(pid_t pid)
{
    QFile account(QStringLiteral("/proc/%1/schedstat").arg(pid));
    if (!account.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> fields = account.readAll().simplified().split(' ');
    if (fields.size() < 2)
        return std::nullopt;
    return std::pair(fields[0].toDouble() / 1e6, fields[1].toDouble() / 1e6);
}

pid_t spawn(const std::vector<QByteArray>& arguments)
{
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Its notes (the simulated reader's device, Qt's about the session) would only interleave.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// One start of the side's program, timed until its first frame; it is then stopped as a user
// stops it (SIGTERM closes novard-demo's window) and its peak memory read as it ends.
bool run_once(Side& side, WindowWatch& watch, const QString& empty_dir)
{
    // A fresh line each time: a plain pseudo-terminal, as no reader need answer to start.
    Pty pty;
    const std::vector<QByteArray> arguments = arguments_for(side, pty, empty_dir);
    const WindowWatch::Clock::time_point start = WindowWatch::Clock::now();
    const pid_t pid = spawn(arguments);
    if (pid < 0)
        return false;
    const WindowWatch::Times times = watch.watch(pid, start, hang_ceiling_ms);
    const auto main_thread = main_thread_times(pid);
    kill(pid, SIGTERM);
    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);
    if (times.first_frame_ms < 0) {
        // A program that ended before it was stopped says how.
        std::fprintf(stderr, "startup_bench: %s: mapped %.1f ms, %s %d\n", qPrintable(side.label()),
            times.mapped_ms, WIFSIGNALED(status) ? "signal" : "exit status",
            WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
        return false;
    }
    side.mapped_ms.push_back(times.mapped_ms);
    side.frame_ms.push_back(times.first_frame_ms);
    side.peak_kb.push_back(double(usage.ru_maxrss));
    if (main_thread) {
        side.main_cpu_ms.push_back(main_thread->first);
        side.main_waiting_ms.push_back(main_thread->second);
    }
    return true;
}

double median(std::vector<double> values)
{
    std::ranges::sort(values);
    return values.empty() ? 0 : values[values.size() / 2];
}

void print_side(const Side& side, const Side& bare)
{
    const double mapped = median(side.mapped_ms), frame = median(side.frame_ms),
                 kb = median(side.peak_kb);
    std::printf("%s\n  mapped %6.1f ms  first frame %6.1f ms  peak %7.0f kB",
        qPrintable(side.label()), mapped, frame, kb);
    if (&side != &bare) {
        std::printf("   (%.2fx  %.2fx  %.2fx)", mapped / median(bare.mapped_ms),
            frame / median(bare.frame_ms), kb / median(bare.peak_kb));
    }
    if (!side.main_cpu_ms.empty()) {
        std::printf(
            "\n  main thread to the first frame: on a core %6.1f ms, waiting for one %6.1f ms",
            median(side.main_cpu_ms), median(side.main_waiting_ms));
    }
    std::printf("\n");
}

std::vector<Side> sides_from(const QStringList& programs)
{
    const QString here = QCoreApplication::applicationDirPath();
    std::vector<Side> sides { { here + QStringLiteral("/startup_bare"), Side::Mode::bare, {}, {},
        {}, {}, {} } };
    for (const QString& program :
        programs.isEmpty() ? QStringList { here + QStringLiteral("/novard-demo") } : programs) {
        const QString path = QFileInfo(program).absoluteFilePath();
        sides.push_back({ path, Side::Mode::map, {}, {}, {}, {}, {} });
        sides.push_back({ path, Side::Mode::demo, {}, {}, {}, {}, {} });
        sides.push_back({ path, Side::Mode::no_ports, {}, {}, {}, {}, {} });
    }
    return sides;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    bool numbered = false;
    const int runs = arguments.isEmpty() ? 15 : arguments.first().toInt(&numbered);
    if (numbered)
        arguments.removeFirst();
    // Every side on the display itself.
    qunsetenv("QT_QPA_PLATFORM");
    WindowWatch watch;
    if (!watch.error().isEmpty()) {
        std::fprintf(stderr, "startup_bench: %s\n", qPrintable(watch.error()));
        return 1;
    }
    std::vector<Side> sides = sides_from(arguments);
    const QTemporaryDir empty_dir;
    for (int run = 0; run < std::max(runs, 1); ++run) {
        // Each round starts at another side, so no side always follows the same one.
        for (std::size_t i = 0; i < sides.size(); ++i) {
            Side& side = sides[(run + i) % sides.size()];
            if (!run_once(side, watch, empty_dir.path())) {
                std::fprintf(
                    stderr, "startup_bench: %s showed no window\n", qPrintable(side.label()));
                return 1;
            }
        }
    }
    std::printf("start-up to the window mapped and first drawn, median of %d alternating runs\n",
        std::max(runs, 1));
    for (const Side& side : sides)
        print_side(side, sides.front());
    return 0;
}
