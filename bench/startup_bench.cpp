// Start-up to a visible window, and peak memory: the tool's window against a bare Qt window that
// holds one Hangul label, each started as a fresh process, alternating, timed side by side.
//
//   xvfb-run -a build/bin/startup_bench [runs]
//
// The tool starts as novard-demo does, with COM1 on a pseudo-terminal and no other port, so its
// time includes the port search and the default opening.

#include "WindowOnPty.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The process's peak resident memory in kB.
long peak_memory_kb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void report_shown(QWidget& window)
{
    // The window paints itself while it handles being exposed; what is still pending goes too.
    if (!QTest::qWaitForWindowExposed(&window))
        std::exit(1);
    QCoreApplication::processEvents();
    std::printf("shown %ld\n", peak_memory_kb());
    std::fflush(stdout);
}

int run_bare(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The same size as the tool's window, so that both pay alike for the window itself.
    QLabel label(QStringLiteral("카드 읽기 완료"));
    label.resize(749, 357);
    label.show();
    report_shown(label);
    return 0;
}

int run_tool(int argc, char** argv)
{
    QApplication app(argc, argv);
    WindowOnPty tool;
    if (!tool.valid())
        return 1;
    report_shown(*tool.window);
    return 0;
}

struct Sample {
    double ms;
    long kb;
};

Sample time_child(const QString& program, const QString& mode)
{
    QProcess child;
    QElapsedTimer timer;
    timer.start();
    child.start(program, { mode });
    child.waitForReadyRead(30000);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const QByteArray line = child.readLine().trimmed();
    child.waitForFinished(30000);
    if (!line.startsWith("shown "))
        return { -1, -1 };
    return { ms, line.mid(6).toLong() };
}

double median(std::vector<double> values)
{
    std::ranges::sort(values);
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--bare")
        return run_bare(argc, argv);
    if (mode == "--tool")
        return run_tool(argc, argv);

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    std::vector<double> bare_ms, tool_ms;
    long bare_kb = 0, tool_kb = 0;
    for (int run = 0; run < runs; ++run) {
        const Sample bare = time_child(QCoreApplication::applicationFilePath(), "--bare");
        const Sample tool = time_child(QCoreApplication::applicationFilePath(), "--tool");
        if (bare.ms < 0 || tool.ms < 0) {
            std::fputs("startup_bench: a window did not show (is there a display?)\n", stderr);
            return 1;
        }
        bare_ms.push_back(bare.ms);
        tool_ms.push_back(tool.ms);
        bare_kb = std::max(bare_kb, bare.kb);
        tool_kb = std::max(tool_kb, tool.kb);
    }
    const double bare = median(bare_ms), tool = median(tool_ms);
    std::printf("start-up to a visible window, median of %d runs:\n", runs);
    std::printf("  bare window with one Hangul label  %8.1f ms  %7ld kB peak\n", bare, bare_kb);
    std::printf("  novard-demo window                 %8.1f ms  %7ld kB peak\n", tool, tool_kb);
    std::printf("  ratio                              %8.2f x   %7.2f x\n", tool / bare,
        double(tool_kb) / double(bare_kb));
    return 0;
}
