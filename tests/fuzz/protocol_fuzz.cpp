// Runs the card protocol through a sequence of operator actions and reader replies taken from the
// input, and checks after every step that the receive log stays within its bound with the newest
// batch at its end, and after every press that no field changed the frame. The sanitizers watch
// everything else.

#include "ByteDisplay.h"
#include "CardCommands.h"
#include "FakeSerialControl.h"
#include "MemoryCardPanel.h"

#include <algorithm>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>

// A long run's memory climbed (800 MB in ten minutes) with no state growing from input to input:
// the same input run 200,000 times stays flat. ASan holds 256 MB of freed memory back to catch
// late uses, where one input frees a few megabytes at most; and it keeps the stack of every
// allocation and free for ever, and through Qt's code built without frame pointers nearly every
// stack differs. So a small quarantine, and no stacks: a crash's input is saved, and running it
// again with ASAN_OPTIONS=malloc_context_size=30 shows where its memory was allocated and freed.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=16:malloc_context_size=0";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FakeSerialControl line;
    line.set_existing_ports({ 1 });
    line.set_comm_port(1);
    (void)line.open_port();
    line.set_rthreshold(1);
    MemoryCardPanel panel;
    CardCommands commands(panel, line);
    QObject::connect(&line, &SerialControl::OnComm, [&commands] { commands.on_comm(); });

    FuzzedDataProvider input(data, size);
    QString* const fields[] = { &panel.address, &panel.key, &panel.data, &panel.log };
    void (CardCommands::*const presses[])() = { &CardCommands::cmd_read, &CardCommands::cmdwrite,
        &CardCommands::cmdeditwrite, &CardCommands::cmdeditwrtest, &CardCommands::cmderase };
    while (input.remaining_bytes() > 0) {
        QByteArray batch;
        std::string bytes;
        std::u16string units;
        switch (input.ConsumeIntegralInRange(0, 4)) {
        case 0:
            // Text as a field may hold it: UTF-8, or raw UTF-16 so that lone surrogates come in.
            bytes = input.ConsumeRandomLengthString(160);
            units.resize(bytes.size() / 2);
            std::memcpy(units.data(), bytes.data(), units.size() * sizeof(char16_t));
            *fields[input.ConsumeIntegralInRange(0, 3)] = input.ConsumeBool()
                ? QString::fromStdString(bytes)
                : QString::fromStdU16String(units);
            break;
        case 1:
            line.clear_outputs();
            (commands.*presses[input.ConsumeIntegralInRange(0, 4)])();
            // Whatever the fields hold, a body keeps the frame's shape: no control byte, and a
            // read's address and key split by one ';'.
            if (const QByteArray body = line.outputs().value(1);
                std::ranges::any_of(body, [](char b) { return quint8(b) < 0x20 || b == 0x7F; })
                || (body.startsWith('R') && body.count(';') != 1))
                qFatal("broken: a field changed the frame's shape");
            break;
        case 2:
            batch = QByteArray::fromStdString(input.ConsumeRandomLengthString(255));
            commands.decode_reply(batch);
            break;
        case 3:
            // A long reply now and then, so that the log bound is reached quickly.
            batch = QByteArray::fromStdString(input.ConsumeRandomLengthString(16))
                        .repeated(input.ConsumeIntegralInRange(1, 512));
            line.receive(batch);
            if (!line.port_open())
                batch.clear(); // a closed line takes nothing in
            break;
        case 4:
            if (line.port_open())
                line.close_port();
            else
                (void)line.open_port();
            break;
        }

        // qFatal aborts in every build type, not only where assert is compiled in.
        if (panel.log.size() > receive_log_capacity)
            qFatal("broken: the receive log is above its bound");
        // The decoder made the batch's text already; its last byte's form is enough to show that
        // the newest batch is at the end.
        if (!batch.isEmpty() && !panel.log.endsWith(display_form(quint8(batch.back()))))
            qFatal("broken: the newest batch is not at the end of the log");
    }
    return 0;
}
