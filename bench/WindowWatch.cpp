#include "WindowWatch.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/damage.h>

extern char** environ;

namespace {

template <typename Reply> using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> Owned<Reply> owned(Reply* reply)
{
    return { reply, &std::free };
}

constexpr int window_manager_ceiling_ms = 30000;

} // namespace

WindowWatch::WindowWatch()
{
    int screen_number = 0;
    connection_ = xcb_connect(nullptr, &screen_number);
    if (xcb_connection_has_error(connection_)) {
        error_ = QStringLiteral("no X display (is DISPLAY set?)");
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screen_number; ++i)
        xcb_screen_next(&screens);
    root_ = screens.data->root;
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection_, &xcb_damage_id);
    if (!damage || !damage->present) {
        error_ = QStringLiteral("the X server has no DAMAGE extension");
        return;
    }
    damage_event_ = damage->first_event + XCB_DAMAGE_NOTIFY;
    owned(xcb_damage_query_version_reply(connection_,
        xcb_damage_query_version(connection_, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
        nullptr));
    pid_atom_ = atom("_NET_WM_PID");
    const quint32 mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    if (!start_window_manager())
        error_ = QStringLiteral("no window manager runs and openbox did not start");
}

WindowWatch::~WindowWatch()
{
    if (window_manager_ > 0) {
        kill(window_manager_, SIGTERM);
        waitpid(window_manager_, nullptr, 0);
    }
    xcb_disconnect(connection_);
}

xcb_atom_t WindowWatch::atom(const char* name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, quint16(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool WindowWatch::start_window_manager()
{
    const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
    const auto has_check = [&] {
        const auto reply = owned(xcb_get_property_reply(connection_,
            xcb_get_property(connection_, 0, root_, check, XCB_ATOM_WINDOW, 0, 1), nullptr));
        return reply && xcb_get_property_value_length(reply.get()) > 0;
    };
    if (has_check())
        return true;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char name[] = "openbox";
    char* argv[] = { name, nullptr };
    const int spawned = posix_spawnp(&window_manager_, name, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        window_manager_ = 0;
        return false;
    }
    // It announces itself on the root window once it manages the screen.
    const Clock::time_point deadline
        = Clock::now() + std::chrono::milliseconds(window_manager_ceiling_ms);
    while (!has_check()) {
        xcb_generic_event_t* event = next_event(deadline);
        if (!event)
            return false;
        std::free(event);
    }
    return true;
}

xcb_generic_event_t* WindowWatch::next_event(Clock::time_point deadline)
{
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
            return event;
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || xcb_connection_has_error(connection_))
            return nullptr;
        pollfd ready { xcb_get_file_descriptor(connection_), POLLIN, 0 };
        poll(&ready, 1, int(left.count()) + 1);
    }
}

bool WindowWatch::follow(xcb_window_t window)
{
    const quint32 mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
    // Reported once, when the window is first drawn into; never cleared.
    xcb_damage_create(
        connection_, xcb_generate_id(connection_), window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    // Asked after the two above: the server takes requests in order, so a window still unmapped
    // here reports its mapping later, and one mapped already did so before the watch began.
    const auto attributes = owned(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr));
    return attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
}

bool WindowWatch::belongs_to(xcb_window_t window, pid_t pid)
{
    const auto reply = owned(xcb_get_property_reply(connection_,
        xcb_get_property(connection_, 0, window, pid_atom_, XCB_ATOM_CARDINAL, 0, 1), nullptr));
    return reply && xcb_get_property_value_length(reply.get()) == 4
        && *static_cast<const quint32*>(xcb_get_property_value(reply.get())) == quint32(pid);
}

WindowWatch::Times WindowWatch::watch(pid_t pid, Clock::time_point start, int ceiling_ms)
{
    const auto since_start
        = [&] { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); };
    const Clock::time_point deadline = start + std::chrono::milliseconds(ceiling_ms);
    Times times;
    xcb_window_t shown = XCB_WINDOW_NONE;
    while (times.first_frame_ms < 0) {
        const auto event = owned(next_event(deadline));
        if (!event)
            break;
        const quint8 type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event.get());
            // A window mapped before it could be followed is timed as it is found.
            if (created->parent == root_ && follow(created->window) && shown == XCB_WINDOW_NONE
                && belongs_to(created->window, pid)) {
                shown = created->window;
                times.mapped_ms = since_start();
            }
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
            // The window's own report; a frame's comes to the root.
            if (shown == XCB_WINDOW_NONE && mapped->event == mapped->window
                && belongs_to(mapped->window, pid)) {
                shown = mapped->window;
                times.mapped_ms = since_start();
            }
        } else if (type == damage_event_) {
            const auto* damaged = reinterpret_cast<xcb_damage_notify_event_t*>(event.get());
            if (shown != XCB_WINDOW_NONE && damaged->drawable == shown)
                times.first_frame_ms = since_start();
        }
    }
    return times;
}
