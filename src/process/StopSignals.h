#pragma once

#include <QObject>
#include <memory>

// A stop asked from outside the program becomes the requested() notification on the event loop,
// so that the tool can end as closing its window does: the unload handler closes the port and
// the line gives up its lock. On Linux these are SIGTERM, SIGHUP and SIGINT (a kill, a logout or
// a closed terminal, Ctrl+C); on Windows the console's events, each told as the signal a shell
// counts the same way: Ctrl+C as SIGINT, Ctrl+Break as SIGBREAK, a closed console, a log-off or a
// shutdown as SIGHUP, so that a stopped run ends with 128 plus that number on both. The system
// tells a stop where next to nothing may be done safely (a signal handler, a thread of its own),
// so it is only handed on to the event loop there. A signal the program was started with ignored
// is left ignored, and each gets back its inherited handling when the instance goes. One instance
// per program.
class StopSignals final : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void requested(int signal_number);

private:
    // The platform's own: its handlers, what they replaced and how a stop reaches the event loop.
    struct Handling;
    std::unique_ptr<Handling> handling_;
};
