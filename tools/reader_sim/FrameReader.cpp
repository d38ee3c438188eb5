#include "FrameReader.h"

#include "CommandFrame.h"

#include <utility>

namespace reader_sim {

namespace {
constexpr char frame_start = stx;
constexpr char frame_end = etx;
} // namespace

std::vector<FrameReader::Event> FrameReader::feed(QByteArrayView bytes)
{
    std::vector<Event> events;
    for (const char byte : bytes) {
        if (byte == frame_start) {
            flush_ignored(events);
            if (in_frame_)
                events.push_back({ Event::Kind::broken, frame_ });
            in_frame_ = true;
            frame_ = QByteArray(1, frame_start);
        } else if (!in_frame_) {
            ignored_.append(byte);
        } else {
            frame_.append(byte);
            if (byte == frame_end) {
                events.push_back({ Event::Kind::frame, frame_ });
                in_frame_ = false;
            } else if (frame_.size() >= max_frame_size) {
                events.push_back({ Event::Kind::broken, frame_ });
                in_frame_ = false;
            }
        }
    }
    flush_ignored(events);
    return events;
}

void FrameReader::flush_ignored(std::vector<Event>& events)
{
    if (!ignored_.isEmpty())
        events.push_back({ Event::Kind::ignored, std::exchange(ignored_, {}) });
}

} // namespace reader_sim
