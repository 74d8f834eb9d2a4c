#pragma once

#include "DeviceError.h"

#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QSocketNotifier;
class QTimer;
class TDeviceLink;
class TDeviceResolver;
struct TResolveAnswer;

// What a name lookup found: numeric address texts (IPv6 without brackets), or why nothing.
struct TDeviceLookup {
    QStringList Addresses;
    std::optional<TDeviceError> Error; // Resolve, with the codes a connection reports
};

// The device connections of one thread, on that thread's Qt event loop: one epoll set watched
// by one QSocketNotifier, one timer queue driven by one QTimer armed for the earliest deadline,
// and name lookups off the thread. An idle connection costs a socket and a few hundred bytes:
// no Qt object of its own. A connection that outlives its loop ends with it.
class TDeviceLoop {
public:
    using TTimerId = quint64;
    using TLookupId = quint64;

    TDeviceLoop();
    ~TDeviceLoop();
    TDeviceLoop(const TDeviceLoop&) = delete;
    TDeviceLoop& operator=(const TDeviceLoop&) = delete;

    // Runs the callback once, under the exception guard, after ms milliseconds.
    TTimerId AddTimer(int ms, std::function<void()> callback);
    // Nothing happens when the timer already ran or was cancelled.
    void CancelTimer(TTimerId id);
    // Resolves host off the thread, as a connection does; the callback runs once from the
    // loop, never from inside Lookup(), under the exception guard. A numeric address answers
    // itself; names under ".invalid" fail without asking a name server.
    TLookupId Lookup(const QString& host, std::function<void(const TDeviceLookup&)> callback);
    // The callback of a lookup not answered yet never runs.
    void CancelLookup(TLookupId id);
    // Connections opened and not yet ended.
    qsizetype ConnectionCount() const { return static_cast<qsizetype>(FLinks.size()); }

private:
    friend class TDeviceLink;
    friend class TDeviceConnection;

    // The connection's state, owned here so that a handler that destroys its connection
    // leaves the dispatch in progress something valid to return to.
    TDeviceLink* AddLink(std::unique_ptr<TDeviceLink> link);
    TDeviceLink* FindLink(quint64 id) const;
    void ReleaseLink(quint64 id);
    quint64 NewLinkId() { return ++FLastLinkId; }
    bool Watch(int fd, quint64 id, quint32 events, bool modify);
    void Resolve(quint64 id, const QByteArray& host, quint16 port);

    void DispatchEvents();
    // Runs work as a dispatch does: a link released meanwhile is freed only after it.
    void AsDispatch(const std::function<void()>& work);
    void FireTimers();
    void TakeAnswers();
    void AnswerLookup(const TResolveAnswer& answer);
    void ArmTimer();

    // What the connections hold on to; expires with the loop.
    const std::shared_ptr<TDeviceLoop* const> FSelf = std::make_shared<TDeviceLoop* const>(this);

    // Depth of dispatches in progress: links released meanwhile are freed when it returns to 0.
    class TDispatch;
    int FDepth = 0;
    std::vector<std::unique_ptr<TDeviceLink>> FReleased;

    int FEpoll = -1;
    int FWake = -1; // eventfd: a lookup finished
    std::unique_ptr<QSocketNotifier> FNotifier;
    std::unique_ptr<QTimer> FTimer;
    std::unique_ptr<TDeviceResolver> FResolver;
    std::unordered_map<quint64, std::unique_ptr<TDeviceLink>> FLinks;
    quint64 FLastLinkId = 0; // lookups draw their ids from it too: answers find them by id
    std::unordered_map<TLookupId, std::function<void(const TDeviceLookup&)>> FLookups;
    std::map<std::pair<qint64, TTimerId>, std::function<void()>> FTimers;
    std::unordered_map<TTimerId, qint64> FTimerDue;
    TTimerId FLastTimerId = 0;
    qint64 FArmedFor = -1;
};
