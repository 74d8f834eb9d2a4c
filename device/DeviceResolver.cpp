#include "DeviceResolver.h"

#include <QString>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
TResolveAnswer Resolve(quint64 id, const QByteArray& host, quint16 port)
{
    TResolveAnswer answer;
    answer.Id = id;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    const QByteArray service = QByteArray::number(port);
    answer.GaiError = ::getaddrinfo(host.constData(), service.constData(), &hints, &list);
    answer.SysErrno = errno;
    for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
        if (ai->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        TSocketAddress a;
        std::memcpy(&a.Storage, ai->ai_addr, ai->ai_addrlen);
        a.Length = ai->ai_addrlen;
        bool seen = false;
        for (const TSocketAddress& b : answer.Addresses)
            seen = seen ||
                   (b.Length == a.Length && std::memcmp(&b.Storage, &a.Storage, a.Length) == 0);
        if (!seen)
            answer.Addresses.push_back(a);
    }
    if (list)
        ::freeaddrinfo(list);
    if (answer.GaiError == 0 && answer.Addresses.empty())
        answer.GaiError = EAI_NONAME;
    return answer;
}
} // namespace

TDeviceResolver::TDeviceResolver(int wakeFd) : FWakeFd(wakeFd) {}

TDeviceResolver::~TDeviceResolver()
{
    {
        const std::lock_guard lock(FMutex);
        FStopping = true;
        FRequests.clear();
    }
    FWork.notify_all();
    for (std::thread& t : FWorkers)
        t.join();
}

void TDeviceResolver::Lookup(quint64 id, const QByteArray& host, quint16 port)
{
    const std::lock_guard lock(FMutex);
    FRequests.push_back({id, host, port});
    if (FIdle == 0 && static_cast<int>(FWorkers.size()) < MaxWorkers)
        FWorkers.emplace_back([this] { Work(); });
    else
        FWork.notify_one();
}

std::vector<TResolveAnswer> TDeviceResolver::TakeAnswers()
{
    const std::lock_guard lock(FMutex);
    return std::exchange(FAnswers, {});
}

void TDeviceResolver::Work()
{
    std::unique_lock lock(FMutex);
    for (;;) {
        ++FIdle;
        FWork.wait(lock, [this] { return FStopping || !FRequests.empty(); });
        --FIdle;
        if (FStopping)
            return;
        const TRequest request = std::move(FRequests.front());
        FRequests.pop_front();
        lock.unlock();
        TResolveAnswer answer = Resolve(request.Id, request.Host, request.Port);
        lock.lock();
        FAnswers.push_back(std::move(answer));
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t n = ::write(FWakeFd, &one, sizeof one);
    }
}

bool ParseNumericAddress(const QByteArray& host, quint16 port, TSocketAddress* address)
{
    *address = {};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address->Storage);
    if (::inet_pton(AF_INET, host.constData(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        address->Length = sizeof(sockaddr_in);
        return true;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address->Storage);
    if (::inet_pton(AF_INET6, host.constData(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        address->Length = sizeof(sockaddr_in6);
        return true;
    }
    return false;
}

QString SocketHostText(const TSocketAddress& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.Storage.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address.Storage);
        ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        QString host = QLatin1String(text);
        if (v6->sin6_scope_id != 0)
            host += u'%' + QString::number(v6->sin6_scope_id);
        return host;
    }
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address.Storage);
    ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    return QLatin1String(text);
}

QString SocketAddressText(const TSocketAddress& address)
{
    if (address.Storage.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address.Storage);
        return QStringLiteral("[%1]:%2").arg(SocketHostText(address)).arg(ntohs(v6->sin6_port));
    }
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address.Storage);
    return QStringLiteral("%1:%2").arg(SocketHostText(address)).arg(ntohs(v4->sin_port));
}

bool IsInvalidName(const QString& host)
{
    return host.compare(QStringLiteral("invalid"), Qt::CaseInsensitive) == 0 ||
           host.endsWith(QStringLiteral(".invalid"), Qt::CaseInsensitive) ||
           host.endsWith(QStringLiteral(".invalid."), Qt::CaseInsensitive);
}
