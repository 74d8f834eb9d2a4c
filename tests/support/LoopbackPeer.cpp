#include "LoopbackPeer.h"

#include "IdTCPClient.h"

#include <QDir>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
sockaddr_in Loopback(int port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return addr;
}

int BoundSocket(int& port, bool ipv6 = false)
{
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = Loopback(0);
    sockaddr_in6 addr6{};
    addr6.sin6_family = AF_INET6;
    addr6.sin6_addr = in6addr_loopback;
    auto* const any =
        ipv6 ? reinterpret_cast<sockaddr*>(&addr6) : reinterpret_cast<sockaddr*>(&addr);
    socklen_t len = ipv6 ? sizeof addr6 : sizeof addr;
    if (fd < 0 || ::bind(fd, any, len) != 0 || ::getsockname(fd, any, &len) != 0)
        return -1;
    port = ntohs(ipv6 ? addr6.sin6_port : addr.sin_port);
    return fd;
}
} // namespace

LoopbackListener::LoopbackListener(bool ipv6)
{
    FFd = BoundSocket(FPort, ipv6);
    ::listen(FFd, 8);
}

LoopbackListener::~LoopbackListener()
{
    for (int fd : FAccepted)
        ::close(fd);
    ::close(FFd);
}

int LoopbackListener::Accept(int timeoutMs)
{
    pollfd p{FFd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1)
        return -1;
    const int fd = ::accept4(FFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0)
        FAccepted.push_back(fd);
    return fd;
}

void LoopbackListener::Close(int fd)
{
    std::erase(FAccepted, fd);
    ::close(fd);
}

void LoopbackListener::Abort(int fd)
{
    const linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    Close(fd);
}

RefusingPort::RefusingPort()
{
    FFd = BoundSocket(FPort);
}

RefusingPort::~RefusingPort()
{
    ::close(FFd);
}

SilentPeer::SilentPeer()
{
    FFd = BoundSocket(FPort);
    ::listen(FFd, 0);
    const sockaddr_in addr = Loopback(FPort);
    // Fill the accept queue until a connect stays unanswered.
    for (int i = 0; i < 8 && !FReady; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        FFillers.push_back(fd);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0)
            continue;
        pollfd p{fd, POLLOUT, 0};
        FReady = ::poll(&p, 1, 300) == 0;
    }
}

SilentPeer::~SilentPeer()
{
    for (int fd : FFillers)
        ::close(fd);
    ::close(FFd);
}

int ConnectToListener(TIdTCPClient& client, LoopbackListener& listener, int connectLimitMs)
{
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(listener.Port());
    client.OpenConnection(connectLimitMs);
    return listener.Accept();
}

bool SendAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + done,
                                 static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

int OpenDescriptorCount()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).count()) - 2;
}
