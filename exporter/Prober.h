#pragma once

#include "AllowList.h"
#include "ProbeResult.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <functional>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

class TDeviceLoop;
struct TDeviceAddress;
struct TDeviceFrame;
struct TDeviceLookup;

struct TProbeOutcome {
    bool Forbidden = false; // not on the allow-list: nothing was connected
    QString Why;            // for Forbidden, one line
    TProbeResult Result;
};

// Probes thermometers on one device loop. One session per target: probes of a target that
// overlap share its connection and its next frame. Without keep-alive a session closes once
// its probes are answered; with it, it stays open while probes keep coming, unread between
// them, and a probe takes the newest frame that came since the previous one, or waits for the
// next one.
class TProber {
public:
    using TDone = std::function<void(TProbeOutcome)>;
    TProber(TDeviceLoop& loop, TAllowList allow, int keepConnectionMs);
    ~TProber();
    TProber(const TProber&) = delete;
    TProber& operator=(const TProber&) = delete;

    // Calls done exactly once, before timeoutSeconds have passed, possibly from inside.
    // Without withLog the result's log may lack the connection's lines.
    void Probe(const TDeviceAddress& target, double timeoutSeconds, TDone done,
               bool withLog = true);
    qsizetype OpenSessions() const { return static_cast<qsizetype>(FSessions.size()); }

private:
    struct TSession;
    struct TWaiter;
    void Admit(TWaiter* waiter, const TDeviceAddress& address);
    void Resolved(TWaiter* waiter, const TDeviceAddress& address, const TDeviceLookup& lookup);
    void Join(TWaiter* waiter, const TDeviceAddress& connectTo);
    void OnFrame(TSession* session, const TDeviceFrame& frame);
    void OnFailed(TSession* session, const QByteArray& reason, const QString& message);
    void Finish(TWaiter* waiter, TProbeOutcome outcome);
    void Drop(TSession* session);
    void Sweep();

    TDeviceLoop& FLoop;
    TAllowList FAllow;
    int FKeepMs;
    std::unordered_map<QString, std::unique_ptr<TSession>> FSessions;
    std::unordered_map<TWaiter*, std::unique_ptr<TWaiter>> FWaiters;
    // The open sessions, least recently probed first: expiry looks only at the front.
    std::list<TSession*> FByUse;
    // Freed from the loop, never inside one of their own handlers.
    std::vector<std::unique_ptr<TSession>> FClosed;
    std::vector<std::unique_ptr<TWaiter>> FFinished;
    QTimer FReaper;
    QTimer FSweeper;
};
