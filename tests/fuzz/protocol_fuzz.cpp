// Runs the card protocol through a sequence of operator actions and reader replies taken from the
// input, and checks after every step that cmd_state is one of its values and that the receive log
// stays within its bound with the newest batch at its end.

#include "ByteDisplay.h"
#include "ReceiveLog.h"
#include "RecordingCardPanel.h"
#include "ReplyDecoder.h"

#include <cstdint>
#include <cstdlib>
#include <functional>

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;

    bool empty() const { return pos >= size; }
    uint8_t byte() { return empty() ? 0 : data[pos++]; }
    // A length byte, then that many bytes (fewer at the end of the input).
    QByteArray chunk(size_t max_size = 255)
    {
        const size_t taken = std::min({ size_t(byte()), max_size, size - std::min(pos, size) });
        pos += taken;
        return QByteArray(reinterpret_cast<const char*>(data + pos - taken), qsizetype(taken));
    }
    // Text as a field may hold it: UTF-8, or raw UTF-16 so that lone surrogates come in too.
    QString field_text()
    {
        const bool raw = byte() & 1;
        const QByteArray bytes = chunk(80);
        if (!raw)
            return QString::fromUtf8(bytes);
        QString text;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
            text += QChar(char16_t((quint8(bytes[i]) << 8) | quint8(bytes[i + 1])));
        return text;
    }
};

void check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "protocol_fuzz: %s\n", what);
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CardRig rig;
    FakeSerialControl& line = rig.line;
    RecordingCardPanel& panel = rig.panel;
    CardCommands& commands = rig.commands;
    Input input { data, size };
    QByteArray batch;
    const std::function<void()> actions[] = {
        [&] { panel.address = input.field_text(); },
        [&] { panel.key = input.field_text(); },
        [&] { panel.data = input.field_text(); },
        [&] { commands.cmd_read(); },
        [&] { commands.cmdwrite(); },
        [&] { commands.cmdeditwrite(); },
        [&] { commands.cmdeditwrtest(); },
        [&] { commands.decode_reply(batch = input.chunk()); },
        [&] { line.receive(batch = input.chunk()); },
        [&] { commands.cmderase(); },
        [&] { line.port_open() ? line.close_port() : void(line.open_port()); },
        [&] { line.raise_event(input.byte()); },
        [&] { commands.set_cmd_state(state_text(ProgressState(input.byte() % 16))); },
        // A long reply, so that the log bound is reached quickly.
        [&] { line.receive(batch = input.chunk(16).repeated(input.byte() * 2)); },
        [&] { panel.log = input.field_text(); },
    };
    while (!input.empty()) {
        batch.clear();
        const int action = input.byte() % 15;
        actions[action]();
        if (!line.port_open() && action != 7)
            batch.clear(); // a closed line takes nothing in
        check(is_progress_state(commands.cmd_state()), "cmd_state left its value set");
        check(panel.log.size() <= receive_log_capacity, "receive log above its bound");
        // The decoder made the batch's text already; its last byte's form is enough to show that
        // the newest batch is at the end.
        if (!batch.isEmpty())
            check(panel.log.endsWith(display_form(quint8(batch.back()))),
                "newest batch not at the end of the log");
        check(line.outputs().size() % 3 == 0, "a frame was written only in part");
    }
    return 0;
}
