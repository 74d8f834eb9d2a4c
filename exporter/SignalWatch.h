#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

// SIGTERM, SIGINT and SIGHUP delivered on the event loop through a signalfd. Construct it
// before any thread starts, so that every thread inherits the blocked signals.
class TSignalWatch {
public:
    explicit TSignalWatch(std::function<void(int)> onSignal);
    ~TSignalWatch();
    TSignalWatch(const TSignalWatch&) = delete;
    TSignalWatch& operator=(const TSignalWatch&) = delete;
    void Watch(); // once the event loop's application object exists

private:
    std::function<void(int)> FOnSignal;
    int FFd = -1;
    std::unique_ptr<QSocketNotifier> FNotifier;
};
