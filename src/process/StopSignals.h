#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <array>
#include <csignal>

// SIGTERM, SIGHUP and SIGINT (a kill, a logout or a closed terminal, Ctrl+C) become the
// requested() notification on the event loop, so that the tool can end as closing its window
// does: the unload handler closes the port and QSerialPort removes its lock file. A signal
// handler may do next to nothing safely, so it only writes the signal's number into a socket
// pair whose other end a socket notifier reads. A signal the program was started with ignored is
// left ignored, and each is given back its inherited handling when the instance goes. One
// instance per program.
class StopSignals final : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void requested(int signal_number);

private:
    void read_signal();

    int fds_[2] = { -1, -1 };
    // SIGTERM's, SIGHUP's and SIGINT's handling before this instance, put back by its destructor.
    std::array<struct sigaction, 3> inherited_ {};
    QSocketNotifier* notifier_ = nullptr;
};
