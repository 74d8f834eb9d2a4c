#pragma once

#include <chrono>
#include <csignal>

// SIGINT and SIGTERM, blocked for the process and received through a signalfd: no handler
// runs, and no system call is interrupted, so the transport's waits never see EINTR. Create
// it before any thread starts, so that every thread inherits the blocked set.
class TStopSignals {
public:
    TStopSignals();
    ~TStopSignals();
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    // Waits until the deadline passes or a stop signal is pending; true for a signal.
    bool WaitUntil(std::chrono::steady_clock::time_point deadline);
    bool Pending() { return WaitUntil(std::chrono::steady_clock::now()); }

private:
    sigset_t FOldMask{}; // restored only when the signalfd cannot be made
    int FFd = -1;
};
