#pragma once

#include <QObject>
#include <QSocketNotifier>

// SIGTERM, SIGHUP and SIGINT (a kill, a logout or a closed terminal, Ctrl+C) become the
// requested() notification on the event loop, so that the tool can end as closing its window
// does: the unload handler closes the port and QSerialPort removes its lock file. A signal
// handler may do next to nothing safely, so it only writes the signal's number into a socket
// pair whose other end a socket notifier reads. One instance per program.
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
    QSocketNotifier* notifier_ = nullptr;
};
