#pragma once

#include <QString>
#include <atomic>
#include <thread>

class TIdSocketHandle;

// Worker for one timed connect. It connects the record's socket, reads the addresses back
// and records the message of any failure; then it sets its finished flag and writes
// nothing more. The owner reads ErrorMessage() only after Finished() returned true.
class TIdConnectThread {
public:
    // Raises EThread when the wake-up pipe cannot be made.
    explicit TIdConnectThread(TIdSocketHandle* binding);
    // Wakes a worker that is still running and waits for it.
    ~TIdConnectThread();
    TIdConnectThread(const TIdConnectThread&) = delete;
    TIdConnectThread& operator=(const TIdConnectThread&) = delete;

    // Raises EThread "Thread creation error: %s" when no thread can be started.
    void Start();
    // Asks the worker to give up; its connect returns at once.
    void Terminate();
    void WaitFor();

    bool Finished() const { return FFinished.load(std::memory_order_acquire); }
    bool Terminated() const { return FTerminated.load(std::memory_order_acquire); }
    const QString& ErrorMessage() const { return FErrorMessage; }

private:
    void Execute();

    TIdSocketHandle* FBinding;
    QString FErrorMessage;
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FTerminated{false};
    int FWakeRead = -1;
    int FWakeWrite = -1;
    std::thread FThread;
};
