#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

namespace reader_sim {

// Cuts the bytes from the line into frames. A frame runs from STX to ETX; bytes outside a frame
// are handed back as ignored. An STX inside a frame breaks the frame so far and starts a new one,
// and so does running past max_frame_size without an ETX (so garbage cannot grow the buffer); the
// reader refuses a broken frame like any other it cannot take.
class FrameReader {
public:
    static constexpr qsizetype max_frame_size = 256;

    struct Event {
        enum class Kind { frame, broken, ignored };
        Kind kind;
        // As received: with STX and ETX for a frame, with STX for a broken frame.
        QByteArray bytes;
    };

    std::vector<Event> feed(QByteArrayView bytes);

private:
    void flush_ignored(std::vector<Event>& events);

    bool in_frame_ = false;
    QByteArray frame_;
    QByteArray ignored_;
};

} // namespace reader_sim
