#pragma once

#include <QString>
#include <chrono>
#include <sys/types.h>
#include <xcb/xcb.h>

// Watches an X display for the first window of a given process: when it is mapped, and when it
// is first drawn into (the DAMAGE extension's first report on it). A window manager, when none
// runs, is started here and stopped with the watch, so both sides meet the same reparenting.
class WindowWatch {
public:
    using Clock = std::chrono::steady_clock;

    WindowWatch();
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    // Why the display cannot be watched, in one line; empty when it can.
    const QString& error() const { return error_; }

    struct Times {
        double mapped_ms = -1;
        double first_frame_ms = -1;
    };
    // Waits until a window of process pid is mapped and drawn, both timed from start; a time
    // stays negative when ceiling_ms passed first (a hang).
    Times watch(pid_t pid, Clock::time_point start, int ceiling_ms);

private:
    bool start_window_manager();
    // Watches a new window's mapping and drawing; true when it is mapped already.
    bool follow(xcb_window_t window);
    bool belongs_to(xcb_window_t window, pid_t pid);
    xcb_generic_event_t* next_event(Clock::time_point deadline);
    xcb_atom_t atom(const char* name);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t pid_atom_ = 0;
    quint8 damage_event_ = 0;
    pid_t window_manager_ = 0;
    QString error_;
};
