#include "StopSignals.h"

#include <QMetaObject>
#include <csignal>
#include <mutex>
#include <windows.h>

namespace {

// Windows' C library has SIGINT and SIGBREAK but no SIGHUP; a closed console is a hang-up.
constexpr int hang_up = 1;

// The console's handler runs on a thread the system starts for it, while the instance may be
// going on its own: the lock keeps it alive while a stop is queued to it.
std::mutex instance_lock;
StopSignals* instance = nullptr;

int signal_for(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
        return SIGINT;
    case CTRL_BREAK_EVENT:
        return SIGBREAK;
    default: // CTRL_CLOSE_EVENT, CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT
        return hang_up;
    }
}

BOOL WINAPI on_console_event(DWORD event)
{
    const int number = signal_for(event);
    {
        const std::lock_guard lock(instance_lock);
        if (instance == nullptr)
            return FALSE;
        StopSignals* const target = instance;
        QMetaObject::invokeMethod(
            target, [target, number] { emit target->requested(number); }, Qt::QueuedConnection);
    }
    // The system ends the process as soon as the handler returns from a close, log-off or
    // shutdown (or when its grace of a few seconds is over): waiting here lets the event loop
    // close the port and main return its status first, which ends this thread with the process.
    if (number == hang_up)
        ::Sleep(INFINITE);
    return TRUE;
}

} // namespace

// Nothing more than the handler registered with the console.
struct StopSignals::Handling {
    bool registered = false;
};

StopSignals::StopSignals(QObject* parent)
    : QObject(parent)
    , handling_(std::make_unique<Handling>())
{
    {
        const std::lock_guard lock(instance_lock);
        instance = this;
    }
    handling_->registered = ::SetConsoleCtrlHandler(on_console_event, TRUE) != FALSE;
}

StopSignals::~StopSignals()
{
    if (handling_->registered)
        ::SetConsoleCtrlHandler(on_console_event, FALSE);
    const std::lock_guard lock(instance_lock);
    instance = nullptr;
}
