// Runs the card protocol through a sequence of operator actions and reader replies taken from the
// input, and checks after every step that cmd_state is one of its values and that the receive log
// stays within its bound with the newest batch at its end.

#include "ByteDisplay.h"
#include "CardCommands.h"
#include "FakeSerialControl.h"
#include "FuzzCardPanel.h"
#include "ReceiveLog.h"
#include "ReplyDecoder.h"

#include <cstdint>
#include <cstdlib>

namespace {

class Input {
public:
    Input(const uint8_t* data, size_t size)
        : data_(data)
        , size_(size)
    {
    }

    bool empty() const { return pos_ >= size_; }
    uint8_t byte() { return empty() ? 0 : data_[pos_++]; }

    // A length byte, then that many bytes (fewer at the end of the input).
    QByteArray chunk(size_t max_size = 255)
    {
        const size_t wanted = std::min<size_t>(byte(), max_size);
        const size_t taken = std::min(wanted, size_ - std::min(pos_, size_));
        QByteArray bytes(
            reinterpret_cast<const char*>(data_ + pos_), static_cast<qsizetype>(taken));
        pos_ += taken;
        return bytes;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Text as a field may hold it: UTF-8, or raw UTF-16 so that lone surrogates come in too.
QString field_text(Input& input)
{
    const bool raw = input.byte() & 1;
    const QByteArray bytes = input.chunk(80);
    if (!raw)
        return QString::fromUtf8(bytes);
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text += QChar(static_cast<char16_t>((quint8(bytes[i]) << 8) | quint8(bytes[i + 1])));
    return text;
}

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
    FakeSerialControl line;
    line.set_existing_ports({ 1 });
    line.set_comm_port(1);
    (void)line.open_port();
    line.set_rthreshold(1);
    FuzzCardPanel panel;
    CardCommands commands(panel, line);
    QObject::connect(&line, &SerialControl::OnComm, [&commands] { commands.on_comm(); });

    Input input(data, size);
    while (!input.empty()) {
        QByteArray batch;
        switch (input.byte() % 15) {
        case 0:
            panel.address = field_text(input);
            break;
        case 1:
            panel.key = field_text(input);
            break;
        case 2:
            panel.data = field_text(input);
            break;
        case 3:
            commands.cmd_read();
            break;
        case 4:
            commands.cmdwrite();
            break;
        case 5:
            commands.cmdeditwrite();
            break;
        case 6:
            commands.cmdeditwrtest();
            break;
        case 7:
            batch = input.chunk();
            commands.decode_reply(batch);
            break;
        case 8:
            batch = input.chunk();
            line.receive(batch);
            if (!line.port_open())
                batch.clear(); // a closed line takes nothing in
            break;
        case 9:
            commands.cmderase();
            break;
        case 10:
            if (line.port_open())
                line.close_port();
            else
                (void)line.open_port();
            break;
        case 11:
            line.raise_event(input.byte());
            break;
        case 12:
            commands.set_cmd_state(state_text(ProgressState(input.byte() % 16)));
            break;
        case 13: {
            // A long reply, so that the log bound is reached quickly.
            const QByteArray unit = input.chunk(16);
            batch = unit.repeated(input.byte() * 2);
            line.receive(batch);
            if (!line.port_open())
                batch.clear();
            break;
        }
        case 14:
            panel.log = field_text(input);
            break;
        }

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
