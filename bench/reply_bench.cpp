// From a byte on the line to its message shown in Label1: the reader's ACK and CR written to a
// pseudo-terminal, through QSerialPort, OnComm and the decoder, to the label painted again; with
// the wire trace off (argument 0) and on (1), appending to a file as --trace FILE does.

#include "WindowOnPty.h"
#include "WireTrace.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <unistd.h>

namespace {

void BM_ReplyToLabel1(benchmark::State& state)
{
    // Declared before the window, so that the trace outlives the line it watches.
    const QTemporaryDir folder;
    WireTrace trace;
    WindowOnPty tool;
    if (!tool.valid()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    if (state.range(0) != 0) {
        if (!trace.open(QFile::encodeName(folder.filePath(QStringLiteral("wire.trace"))))) {
            state.SkipWithError("no trace file");
            return;
        }
        tool.line->set_observer(&trace);
    }
    MainWindow& window = *tool.window;
    const int master = tool.pty.master_fd();
    auto* status = window.findChild<QLabel*>(QStringLiteral("Label1"));
    auto* read = window.findChild<QPushButton*>(QStringLiteral("cmd_read"));
    const QString accepted = QStringLiteral("읽기 명령 전송 완료 -> 카드를 대어 주세요");

    for (auto _ : state) {
        state.PauseTiming();
        status->setText(QString());
        read->click();
        QApplication::processEvents();
        char sink[64];
        while (::read(master, sink, sizeof sink) > 0) { }
        state.ResumeTiming();

        QElapsedTimer timer;
        timer.start();
        if (::write(master, "\x06\x0d", 2) != 2)
            state.SkipWithError("the reply was not written");
        while (status->text() != accepted && timer.elapsed() < 1000)
            QApplication::processEvents(QEventLoop::AllEvents);
        status->repaint();
        if (status->text() != accepted)
            state.SkipWithError("no answer shown");
    }
}
BENCHMARK(BM_ReplyToLabel1)
    ->ArgName("trace")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// From a batch on the line to the receive log box showing it, painted: at most one screen frame.
void BM_BatchToLogOnScreen(benchmark::State& state)
{
    WindowOnPty tool;
    if (!tool.valid()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    auto* log = tool.window->findChild<QLineEdit*>(QStringLiteral("txtrecv"));
    char next = 'a';
    for (auto _ : state) {
        state.PauseTiming();
        const QString shown = QString(next) + u'9';
        next = next == 'z' ? 'a' : char(next + 1);
        state.ResumeTiming();

        QElapsedTimer timer;
        timer.start();
        if (::write(tool.pty.master_fd(), shown.toLatin1().constData(), 2) != 2)
            state.SkipWithError("the batch was not written");
        while (!log->text().endsWith(shown) && timer.elapsed() < 1000)
            QApplication::processEvents(QEventLoop::AllEvents);
        log->repaint();
        if (!log->text().endsWith(shown))
            state.SkipWithError("the batch was not shown");
    }
}
BENCHMARK(BM_BatchToLogOnScreen)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
        qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
