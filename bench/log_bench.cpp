// What one batch costs the receive log when it is full: the single-line box lays out and paints
// its whole text on every change, so this bounds receive_log_capacity.

#include "ByteDisplay.h"
#include "CardCommands.h"
#include "MemoryCardPanel.h"
#include "ReceiveLog.h"
#include "SerialControl.h"

#include <QApplication>
#include <QLineEdit>
#include <benchmark/benchmark.h>

namespace {

// A log full of what the reader typically sends: acknowledgements and 16-character blocks.
QString full_log(qsizetype capacity)
{
    const QString replies = display_text("\x06\x0D") + display_text("0123456789ABCDEF\x0D");
    QString log;
    // Past the bound the oldest forms go, so the log stays a few characters short of it.
    for (qsizetype appended = 0; appended < 2 * capacity; appended += replies.size())
        append_to_log(log, replies, capacity);
    return log;
}

void append_to_full_box(benchmark::State& state, QByteArrayView batch)
{
    const qsizetype capacity = state.range(0);
    QLineEdit box;
    box.setMaxLength(static_cast<int>(capacity));
    box.resize(600, 24);
    box.setText(full_log(capacity));
    box.show();
    QApplication::processEvents();
    const QString batch_text = display_text(batch);
    for (auto _ : state) {
        QString log = box.text();
        append_to_log(log, batch_text, capacity);
        box.setText(log);
        box.repaint();
    }
    if (box.text().size() > capacity || !box.text().endsWith(batch_text))
        state.SkipWithError("the box lost the newest text");
}

void acknowledgement(benchmark::State& state)
{
    append_to_full_box(state, "\x06\x0D");
}
void data_block(benchmark::State& state)
{
    append_to_full_box(state, "0123456789ABCDEF\x0D");
}

BENCHMARK(acknowledgement)
    ->Arg(2048)
    ->Arg(4096)
    ->Arg(8192)
    ->Arg(16384)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(data_block)->Arg(2048)->Arg(4096)->Arg(8192)->Arg(16384)->Unit(benchmark::kMicrosecond);

// A line the decoder is never asked to write to.
class SilentLine final : public SerialControl {
public:
    bool port_open() const override { return false; }
    CommResult open_port() override { return CommResult::success(); }
    void close_port() override { }
    CommResult output(const QByteArray&) override { return CommResult::success(); }

protected:
    qsizetype bytes_waiting() const override { return 0; }
    QByteArray take_bytes(qsizetype) override { return {}; }
};

void decode_reply_to_full_log(benchmark::State& state)
{
    MemoryCardPanel panel;
    SilentLine line;
    CardCommands commands(panel, line);
    panel.log = full_log(receive_log_capacity);
    const QByteArray batch("\x06\x0D"
                           "0123456789ABCDEF\x0D");
    for (auto _ : state) {
        commands.set_cmd_state(QStringLiteral("read"));
        commands.decode_reply(batch);
    }
    state.SetBytesProcessed(state.iterations() * batch.size());
    if (!commands.cmd_state().isEmpty())
        state.SkipWithError("the read did not complete");
}
BENCHMARK(decode_reply_to_full_log)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
