#pragma once

#include "AnswerBuffer.h"

#include <QByteArray>
#include <chrono>
#include <csignal>

namespace reader_sim {

class PtyDevice;
class Reader;

struct CardTiming {
    // How long after ACK CR the card is presented, when not manual.
    std::chrono::milliseconds delay;
    // The card is presented when Enter is pressed on standard input instead.
    bool manual;
};

// Carries bytes between the line and the reader: answers go out one byte per character time
// through an AnswerBuffer, so the tool sees them split over several notifications as with real
// hardware. Single-threaded around poll, with timerfds for the pace and the card, a signalfd for
// the stop signals and the device's open watch.
class LineLoop {
public:
    // SIGINT, SIGTERM and SIGHUP end the loop cleanly. Block them before anything needs cleaning
    // up, so that one arriving early waits for the loop instead of killing the process.
    static sigset_t stop_signals();

    LineLoop(PtyDevice& device, Reader& reader, CardTiming timing);
    ~LineLoop();
    LineLoop(const LineLoop&) = delete;
    LineLoop& operator=(const LineLoop&) = delete;

    // Until a stop signal: 0; on a failure of the line or of the loop's own descriptors: 1, with a
    // one-line reason on standard error.
    int run();

private:
    bool take_line_input();
    bool send_due_bytes();
    void take_keyboard_input();
    void queue(const QByteArray& bytes);
    // Starts the wait for the card for a newly accepted command, or ends it after a refusal.
    void wait_for_card();

    PtyDevice& device_;
    int master_;
    Reader& reader_;
    CardTiming timing_;
    int signal_fd_ = -1;
    int pace_timer_ = -1;
    int card_timer_ = -1;
    bool keyboard_open_;
    AnswerBuffer answers_;
};

} // namespace reader_sim
