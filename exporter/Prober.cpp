#include "Prober.h"

#include "DeviceAddress.h"
#include "DeviceConnection.h"
#include "DeviceError.h"
#include "DeviceFrame.h"
#include "DeviceLoop.h"
#include "ExceptionGuard.h"

#include <QHostAddress>
#include <algorithm>
#include <cmath>

struct TProber::TWaiter {
    TSession* Session = nullptr;
    QString Key;
    QElapsedTimer Started;
    QTimer Deadline;
    double TimeoutSeconds = 0;
    TDeviceLoop::TLookupId Lookup = 0; // the allow-list's lookup in progress
    TDone Done;
    bool WantsLog = true;
    QStringList Log;
};

struct TProber::TSession {
    QString Key;
    std::unique_ptr<TDeviceConnection> Connection;
    QList<TWaiter*> Waiters;
    QElapsedTimer SinceProbe;
    std::list<TSession*>::iterator ByUse;
};

TProber::TProber(TDeviceLoop& loop, TAllowList allow, int keepConnectionMs)
    : FLoop(loop), FAllow(std::move(allow)), FKeepMs(keepConnectionMs)
{
    FReaper.setSingleShot(true);
    QObject::connect(&FReaper, &QTimer::timeout, [this] {
        GuardedCall([this] {
            FClosed.clear();
            FFinished.clear();
        });
    });
    if (FKeepMs > 0) {
        QObject::connect(&FSweeper, &QTimer::timeout, [this] { GuardedCall([this] { Sweep(); }); });
        FSweeper.start(std::clamp(FKeepMs / 4, 100, 1000));
    }
}

TProber::~TProber()
{
    for (const auto& [raw, waiter] : FWaiters)
        FLoop.CancelLookup(waiter->Lookup);
    FWaiters.clear();
    for (auto& [key, session] : FSessions)
        session->Connection.reset();
}

void TProber::Probe(const TDeviceAddress& target, double timeoutSeconds, TDone done, bool withLog)
{
    auto owned = std::make_unique<TWaiter>();
    TWaiter* waiter = owned.get();
    FWaiters.emplace(waiter, std::move(owned));
    waiter->Started.start();
    waiter->Key = target.Text();
    waiter->TimeoutSeconds = timeoutSeconds;
    waiter->Done = std::move(done);
    waiter->WantsLog = withLog;
    waiter->Deadline.setSingleShot(true);
    waiter->Deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&waiter->Deadline, &QTimer::timeout, [this, waiter] {
        GuardedCall([this, waiter] {
            waiter->Log << QStringLiteral("deadline of %1 s reached").arg(waiter->TimeoutSeconds);
            TProbeOutcome outcome;
            outcome.Result.FailureReason = "timeout";
            Finish(waiter, std::move(outcome));
        });
    });
    waiter->Deadline.start(static_cast<int>(std::lround(timeoutSeconds * 1000)));
    Admit(waiter, target);
}

void TProber::Admit(TWaiter* waiter, const TDeviceAddress& address)
{
    if (FSessions.count(waiter->Key)) { // checked when it was opened
        Join(waiter, address);
        return;
    }
    QHostAddress literal;
    if (literal.setAddress(address.Host)) {
        if (FAllow.Allows(literal, address.Port)) {
            Join(waiter, address);
            return;
        }
        Finish(waiter,
               {true, QStringLiteral("target %1 is not on the allow-list").arg(waiter->Key), {}});
        return;
    }
    if (FAllow.AllowsName(address.Host, address.Port)) {
        waiter->Log << QStringLiteral("host name %1 is on the allow-list").arg(address.Host);
        Join(waiter, address);
        return;
    }
    // A name not listed: every address it resolves to must be allowed, and the connection goes
    // to the checked address itself, so a second lookup cannot lead elsewhere.
    waiter->Log
        << QStringLiteral("resolving %1 to check it against the allow-list").arg(address.Host);
    waiter->Lookup = FLoop.Lookup(address.Host, [this, waiter, address](const TDeviceLookup& l) {
        waiter->Lookup = 0;
        Resolved(waiter, address, l);
    });
}

void TProber::Resolved(TWaiter* waiter, const TDeviceAddress& address, const TDeviceLookup& lookup)
{
    if (lookup.Error) {
        waiter->Log << QStringLiteral("cannot resolve %1: %2")
                           .arg(address.Host,
                                QString(lookup.Error->Message)
                                    .replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
        TProbeOutcome outcome;
        outcome.Result.FailureReason = "resolve";
        Finish(waiter, std::move(outcome));
        return;
    }
    waiter->Log << QStringLiteral("resolved %1 to %2")
                       .arg(address.Host, lookup.Addresses.join(QStringLiteral(", ")));
    for (const QString& a : lookup.Addresses)
        if (!FAllow.Allows(QHostAddress(a), address.Port)) {
            Finish(waiter,
                   {true,
                    QStringLiteral("target %1 resolves to %2, which is not on the allow-list")
                        .arg(waiter->Key, a),
                    {}});
            return;
        }
    TDeviceAddress checked = address;
    checked.Host = lookup.Addresses.constFirst();
    Join(waiter, FSessions.count(waiter->Key) ? address : checked);
}

void TProber::Join(TWaiter* waiter, const TDeviceAddress& connectTo)
{
    auto found = FSessions.find(waiter->Key);
    if (found != FSessions.end()) {
        // A kept session is not read between probes: the first probe to wait resumes it, and
        // it answers from the newest frame that came meanwhile, or the next one.
        TSession* session = found->second.get();
        session->SinceProbe.start();
        FByUse.splice(FByUse.end(), FByUse, session->ByUse);
        waiter->Log << QStringLiteral("waiting for the newest frame on the open connection");
        waiter->Session = session;
        session->Waiters << waiter;
        if (session->Waiters.size() == 1)
            session->Connection->SetReading(true);
        return;
    }
    auto owned = std::make_unique<TSession>();
    TSession* session = owned.get();
    session->Key = waiter->Key;
    session->SinceProbe.start();
    session->ByUse = FByUse.insert(FByUse.end(), session);
    waiter->Session = session;
    session->Waiters << waiter;
    FSessions.emplace(session->Key, std::move(owned));
    TDeviceConnection::THandlers handlers;
    handlers.OnLog = [session](const QString& line) {
        for (TWaiter* w : std::as_const(session->Waiters))
            if (w->WantsLog)
                w->Log << line;
    };
    handlers.LogWanted = [session] {
        return std::any_of(session->Waiters.cbegin(), session->Waiters.cend(),
                           [](const TWaiter* w) { return w->WantsLog; });
    };
    handlers.OnFrame = [this, session](const TDeviceFrame& frame) { OnFrame(session, frame); };
    handlers.OnFailed = [this, session](const TDeviceError& error) {
        OnFailed(session, ReasonName(error.Reason), error.Message);
    };
    session->Connection = std::make_unique<TDeviceConnection>(FLoop, std::move(handlers));
    const qint64 left = waiter->Deadline.remainingTime();
    session->Connection->Open(connectTo, static_cast<int>(std::max<qint64>(1, left)));
}

void TProber::OnFrame(TSession* session, const TDeviceFrame& frame)
{
    const QList<TWaiter*> waiters = std::exchange(session->Waiters, {});
    for (TWaiter* w : waiters) {
        w->Session = nullptr;
        TProbeOutcome outcome;
        if (frame.Celsius) {
            outcome.Result.Celsius = frame.Celsius;
        } else {
            w->Log << QStringLiteral("the frame holds no number: no reading");
            outcome.Result.FailureReason = "bad_frame";
        }
        Finish(w, std::move(outcome));
    }
    if (FKeepMs <= 0)
        Drop(session);
    else if (session->Waiters.isEmpty()) // a done handler may have probed it again
        session->Connection->SetReading(false);
}

void TProber::OnFailed(TSession* session, const QByteArray& reason, const QString& message)
{
    const QList<TWaiter*> waiters = std::exchange(session->Waiters, {});
    Drop(session);
    for (TWaiter* w : waiters) {
        w->Session = nullptr;
        w->Log << message;
        TProbeOutcome outcome;
        outcome.Result.FailureReason = reason;
        Finish(w, std::move(outcome));
    }
}

void TProber::Finish(TWaiter* waiter, TProbeOutcome outcome)
{
    auto owned = FWaiters.find(waiter);
    if (owned == FWaiters.end())
        return;
    std::unique_ptr<TWaiter> keep = std::move(owned->second);
    FWaiters.erase(owned);
    if (TSession* session = waiter->Session) {
        session->Waiters.removeOne(waiter);
        if (session->Waiters.isEmpty()) {
            if (FKeepMs <= 0)
                Drop(session);
            else
                session->Connection->SetReading(false);
        }
    }
    outcome.Result.TimeoutSeconds = waiter->TimeoutSeconds;
    outcome.Result.DurationSeconds = static_cast<double>(waiter->Started.nsecsElapsed()) / 1e9;
    outcome.Result.Log = waiter->Log + outcome.Result.Log;
    const TDone done = std::move(waiter->Done);
    waiter->Deadline.stop();
    FLoop.CancelLookup(std::exchange(waiter->Lookup, 0));
    FFinished.push_back(std::move(keep));
    if (!FReaper.isActive())
        FReaper.start(0);
    done(std::move(outcome));
}

void TProber::Drop(TSession* session)
{
    auto found = FSessions.find(session->Key);
    if (found == FSessions.end() || found->second.get() != session)
        return;
    session->Connection->Close();
    FByUse.erase(session->ByUse);
    FClosed.push_back(std::move(found->second));
    FSessions.erase(found);
    if (!FReaper.isActive())
        FReaper.start(0);
}

void TProber::Sweep()
{
    while (!FByUse.empty() && FByUse.front()->SinceProbe.hasExpired(FKeepMs)) {
        TSession* session = FByUse.front();
        if (session->Waiters.isEmpty()) {
            Drop(session);
            continue;
        }
        // Still waited on: in use now.
        session->SinceProbe.start();
        FByUse.splice(FByUse.end(), FByUse, session->ByUse);
    }
}
