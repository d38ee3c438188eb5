#include "StopSignals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array stop_signals { SIGTERM, SIGHUP, SIGINT };

int write_fd = -1;

extern "C" void on_stop_signal(int signal_number)
{
    const int saved_errno = errno;
    const char byte = char(signal_number);
    // A full socket holds signals enough already: this one may be dropped.
    [[maybe_unused]] const ssize_t written = ::write(write_fd, &byte, 1);
    errno = saved_errno;
}

} // namespace

// A signal handler writes the signal's number into a socket pair whose other end a socket
// notifier reads.
struct StopSignals::Handling {
    int fds[2] = { -1, -1 };
    // SIGTERM's, SIGHUP's and SIGINT's handling before this instance, put back by its destructor.
    std::array<struct sigaction, stop_signals.size()> inherited {};
    QSocketNotifier* notifier = nullptr;
};

StopSignals::StopSignals(QObject* parent)
    : QObject(parent)
    , handling_(std::make_unique<Handling>())
{
    Handling& h = *handling_;
    // Non-blocking: a burst of signals that fills the socket must not stop the handler.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, h.fds) != 0)
        return;
    write_fd = h.fds[0];
    h.notifier = new QSocketNotifier(h.fds[1], QSocketNotifier::Read, this);
    connect(h.notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        if (::read(handling_->fds[1], &byte, 1) == 1)
            emit requested(int(byte));
    });

    struct sigaction action { };
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < stop_signals.size(); ++i) {
        struct sigaction& inherited = h.inherited[i];
        ::sigaction(stop_signals[i], nullptr, &inherited);
        // A signal ignored by whoever started the program stays ignored: nohup ignores SIGHUP so
        // that a closed terminal does not end what it runs.
        if (inherited.sa_handler != SIG_IGN)
            ::sigaction(stop_signals[i], &action, nullptr);
    }
}

StopSignals::~StopSignals()
{
    Handling& h = *handling_;
    if (h.notifier == nullptr)
        return;
    for (std::size_t i = 0; i < stop_signals.size(); ++i)
        ::sigaction(stop_signals[i], &h.inherited[i], nullptr);
    write_fd = -1;
    ::close(h.fds[0]);
    ::close(h.fds[1]);
}
