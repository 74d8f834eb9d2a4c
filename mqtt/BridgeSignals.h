#pragma once

#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>

// SIGTERM, SIGINT and SIGHUP, blocked and read from a signalfd watched on the event loop,
// so that the handlers run as ordinary events, inside the guard. Create it before any thread
// starts, so that every thread inherits the blocked set.
class TBridgeSignals {
public:
    TBridgeSignals();
    ~TBridgeSignals();
    TBridgeSignals(const TBridgeSignals&) = delete;
    TBridgeSignals& operator=(const TBridgeSignals&) = delete;

    // Needs the event loop's application object.
    void Watch(std::function<void()> onStop, std::function<void()> onReload);

private:
    int FFd = -1;
    std::unique_ptr<QSocketNotifier> FNotifier;
};
