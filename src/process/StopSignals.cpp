#include "StopSignals.h"

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

StopSignals::StopSignals(QObject* parent)
    : QObject(parent)
{
    // Non-blocking: a burst of signals that fills the socket must not stop the handler.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_) != 0)
        return;
    write_fd = fds_[0];
    notifier_ = new QSocketNotifier(fds_[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::read_signal);

    struct sigaction action { };
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    static_assert(std::tuple_size_v<decltype(inherited_)> == stop_signals.size());
    for (std::size_t i = 0; i < stop_signals.size(); ++i) {
        struct sigaction& inherited = inherited_[i];
        ::sigaction(stop_signals[i], nullptr, &inherited);
        // A signal ignored by whoever started the program stays ignored: nohup ignores SIGHUP so
        // that a closed terminal does not end what it runs.
        if (inherited.sa_handler != SIG_IGN)
            ::sigaction(stop_signals[i], &action, nullptr);
    }
}

StopSignals::~StopSignals()
{
    if (notifier_ == nullptr)
        return;
    for (std::size_t i = 0; i < stop_signals.size(); ++i)
        ::sigaction(stop_signals[i], &inherited_[i], nullptr);
    write_fd = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void StopSignals::read_signal()
{
    char byte = 0;
    if (::read(fds_[1], &byte, 1) == 1)
        emit requested(int(byte));
}
