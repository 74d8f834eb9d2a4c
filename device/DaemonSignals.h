#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

// SIGTERM, SIGINT and SIGHUP for the daemons, blocked and read from a signalfd watched on the
// event loop, so that the handlers run as ordinary events, inside the guard. Create it before
// any thread starts, so that every thread inherits the blocked set.
class TDaemonSignals {
public:
    TDaemonSignals();
    ~TDaemonSignals();
    TDaemonSignals(const TDaemonSignals&) = delete;
    TDaemonSignals& operator=(const TDaemonSignals&) = delete;

    // Once the event loop's application object exists. onStop gets SIGTERM or SIGINT.
    void Watch(std::function<void(int signal)> onStop, std::function<void()> onReload);

private:
    int FFd = -1;
    std::unique_ptr<QSocketNotifier> FNotifier;
};
