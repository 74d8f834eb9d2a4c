#include "DeviceLoop.h"

#include "DeviceLink.h"
#include "DeviceResolver.h"
#include "ExceptionGuard.h"

#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <netdb.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
constexpr quint64 WakeId = 0;
constexpr int EventBatch = 256;

qint64 NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

class TDeviceLoop::TDispatch {
public:
    explicit TDispatch(TDeviceLoop& loop) : FLoop(loop) { ++FLoop.FDepth; }
    ~TDispatch()
    {
        if (--FLoop.FDepth == 0)
            FLoop.FReleased.clear();
    }
    TDispatch(const TDispatch&) = delete;
    TDispatch& operator=(const TDispatch&) = delete;

private:
    TDeviceLoop& FLoop;
};

TDeviceLoop::TDeviceLoop()
    : FEpoll(::epoll_create1(EPOLL_CLOEXEC)), FWake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (FEpoll < 0 || FWake < 0)
        qFatal("device loop: no epoll set or eventfd");
    Watch(FWake, WakeId, EPOLLIN, false);
    FNotifier = std::make_unique<QSocketNotifier>(FEpoll, QSocketNotifier::Read);
    QObject::connect(FNotifier.get(), &QSocketNotifier::activated, FNotifier.get(),
                     [this] { DispatchEvents(); });
    FTimer = std::make_unique<QTimer>();
    FTimer->setSingleShot(true);
    FTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(FTimer.get(), &QTimer::timeout, FTimer.get(), [this] { FireTimers(); });
    FResolver = std::make_unique<TDeviceResolver>(FWake);
}

TDeviceLoop::~TDeviceLoop()
{
    FNotifier.reset();
    FTimer.reset();
    FResolver.reset();
    FLookups.clear();
    FLinks.clear();
    FReleased.clear();
    ::close(FWake);
    ::close(FEpoll);
}

TDeviceLoop::TTimerId TDeviceLoop::AddTimer(int ms, std::function<void()> callback)
{
    const TTimerId id = ++FLastTimerId;
    const qint64 due = NowMs() + qMax(ms, 0);
    FTimers.emplace(std::make_pair(due, id), std::move(callback));
    FTimerDue.emplace(id, due);
    ArmTimer();
    return id;
}

void TDeviceLoop::CancelTimer(TTimerId id)
{
    const auto it = FTimerDue.find(id);
    if (it == FTimerDue.end())
        return;
    FTimers.erase({it->second, id});
    FTimerDue.erase(it);
    // A timer that fires early finds nothing due and re-arms: no need to re-arm here.
}

void TDeviceLoop::ArmTimer()
{
    if (FTimers.empty()) {
        FTimer->stop();
        FArmedFor = -1;
        return;
    }
    const qint64 due = FTimers.begin()->first.first;
    if (FTimer->isActive() && FArmedFor == due)
        return;
    FArmedFor = due;
    FTimer->start(static_cast<int>(qBound<qint64>(0, due - NowMs(), qint64{24} * 3600 * 1000)));
}

void TDeviceLoop::FireTimers()
{
    const TDispatch dispatch(*this);
    FArmedFor = -1;
    const qint64 now = NowMs();
    while (!FTimers.empty() && FTimers.begin()->first.first <= now) {
        auto node = FTimers.extract(FTimers.begin());
        FTimerDue.erase(node.key().second);
        GuardedCall(node.mapped());
    }
    ArmTimer();
}

void TDeviceLoop::DispatchEvents()
{
    const TDispatch dispatch(*this);
    epoll_event events[EventBatch];
    const int n = ::epoll_wait(FEpoll, events, EventBatch, 0);
    for (int i = 0; i < n; ++i) {
        if (events[i].data.u64 == WakeId) {
            TakeAnswers();
        } else if (TDeviceLink* link = FindLink(events[i].data.u64)) {
            link->OnReady(events[i].events);
        }
    }
}

void TDeviceLoop::AsDispatch(const std::function<void()>& work)
{
    const TDispatch dispatch(*this);
    work();
}

void TDeviceLoop::TakeAnswers()
{
    quint64 count = 0;
    [[maybe_unused]] const ssize_t n = ::read(FWake, &count, sizeof count);
    for (TResolveAnswer& answer : FResolver->TakeAnswers()) {
        if (TDeviceLink* link = FindLink(answer.Id))
            link->OnResolved(answer);
        else
            AnswerLookup(answer);
    }
}

TDeviceLoop::TLookupId TDeviceLoop::Lookup(const QString& host,
                                           std::function<void(const TDeviceLookup&)> callback)
{
    const TLookupId id = NewLinkId();
    FLookups.emplace(id, std::move(callback));
    const QByteArray name = host.toLatin1();
    TResolveAnswer answer;
    answer.Id = id;
    TSocketAddress numeric;
    if (ParseNumericAddress(name, 0, &numeric))
        answer.Addresses.push_back(numeric);
    else if (IsInvalidName(host))
        answer.GaiError = EAI_NONAME;
    else {
        FResolver->Lookup(id, name, 0);
        return id;
    }
    AddTimer(0, [this, answer] { AnswerLookup(answer); });
    return id;
}

void TDeviceLoop::CancelLookup(TLookupId id)
{
    FLookups.erase(id);
}

void TDeviceLoop::AnswerLookup(const TResolveAnswer& answer)
{
    auto node = FLookups.extract(answer.Id);
    if (node.empty())
        return;
    TDeviceLookup lookup;
    if (answer.GaiError != 0)
        lookup.Error = ResolveFailure(answer.GaiError, answer.SysErrno);
    for (const TSocketAddress& a : answer.Addresses)
        lookup.Addresses << SocketHostText(a);
    GuardedCall([&] { node.mapped()(lookup); });
}

TDeviceLink* TDeviceLoop::AddLink(std::unique_ptr<TDeviceLink> link)
{
    TDeviceLink* raw = link.get();
    FLinks.emplace(raw->Id(), std::move(link));
    return raw;
}

TDeviceLink* TDeviceLoop::FindLink(quint64 id) const
{
    const auto it = FLinks.find(id);
    return it == FLinks.end() ? nullptr : it->second.get();
}

void TDeviceLoop::ReleaseLink(quint64 id)
{
    auto node = FLinks.extract(id);
    if (node.empty())
        return;
    if (FDepth > 0)
        FReleased.push_back(std::move(node.mapped()));
}

bool TDeviceLoop::Watch(int fd, quint64 id, quint32 events, bool modify)
{
    epoll_event ev{};
    ev.events = events;
    ev.data.u64 = id;
    return ::epoll_ctl(FEpoll, modify ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &ev) == 0;
}

void TDeviceLoop::Resolve(quint64 id, const QByteArray& host, quint16 port)
{
    FResolver->Lookup(id, host, port);
}
