#include "IdStackPosix.h"

#include "IdIPv4Text.h"
#include "IdSocketErrors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Builds the IPv4 socket address; false for an address text or port that cannot be one.
bool MakeAddress(const QString& ip, int port, sockaddr_in& addr)
{
    addr = sockaddr_in{};
    addr.sin_family = AF_INET;
    if (port < 0 || port > 65535)
        return false;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (ip.isEmpty()) {
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
        return true;
    }
    const auto bytes = IPv4TextToBytes(ip);
    if (!bytes)
        return false;
    auto* out = reinterpret_cast<unsigned char*>(&addr.sin_addr.s_addr);
    for (std::size_t i = 0; i < 4; ++i)
        out[i] = (*bytes)[i];
    return true;
}

void SplitAddress(const sockaddr_in& addr, int& family, QString& ip, int& port)
{
    TIdIPv4Bytes bytes{};
    const auto* in = reinterpret_cast<const unsigned char*>(&addr.sin_addr.s_addr);
    for (std::size_t i = 0; i < 4; ++i)
        bytes[i] = in[i];
    family = addr.sin_family;
    ip = IPv4BytesToText(bytes);
    port = ntohs(addr.sin_port);
}

bool SetBlocking(int fd, bool blocking)
{
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0)
        return false;
    const int wanted = blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK;
    return fcntl(fd, F_SETFL, wanted) == 0;
}
bool IsReservedInvalidName(QString host)
{
    if (host.endsWith(u'.'))
        host.chop(1);
    return host.compare(u"invalid", Qt::CaseInsensitive) == 0 ||
           host.endsWith(u".invalid", Qt::CaseInsensitive);
}
} // namespace

int TIdStackPosix::Fail(int err)
{
    SetLastError(SocketErrorFromErrno(err));
    return Id_SOCKET_ERROR;
}

TIdStackSocketHandle TIdStackPosix::WSSocket(int family, int type, int protocol)
{
    const int s = ::socket(family, type | SOCK_CLOEXEC, protocol);
    if (s < 0) {
        Fail(errno);
        return Id_INVALID_SOCKET;
    }
    return s;
}

int TIdStackPosix::WSBind(TIdStackSocketHandle s, int, const QString& ip, int port)
{
    sockaddr_in addr;
    if (!MakeAddress(ip, port, addr))
        return Fail(EADDRNOTAVAIL);
    if (::bind(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
        return Fail(errno);
    return 0;
}

int TIdStackPosix::WSConnect(TIdStackSocketHandle s, int, const QString& ip, int port, int cancelFd)
{
    sockaddr_in addr;
    if (!MakeAddress(ip, port, addr))
        return Fail(EADDRNOTAVAIL);
    if (cancelFd < 0) {
        int rc;
        do
            rc = ::connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        while (rc != 0 && errno == EINTR);
        return rc == 0 ? 0 : Fail(errno);
    }
    // A thread blocked in connect() is not woken when another thread closes the socket, so
    // the cancellable form connects without blocking and waits for the socket or the
    // cancel descriptor, whichever comes first.
    if (!SetBlocking(s, false))
        return Fail(errno);
    int rc = ::connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    if (rc != 0)
        rc = errno == EINPROGRESS ? WaitConnected(s, cancelFd) : Fail(errno);
    if (!SetBlocking(s, true) && rc == 0)
        return Fail(errno);
    return rc;
}

int TIdStackPosix::WaitConnected(TIdStackSocketHandle s, int cancelFd)
{
    pollfd fds[2] = {{s, POLLOUT, 0}, {cancelFd, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(errno);
        if (fds[1].revents != 0)
            return Fail(EINTR);
        if (fds[0].revents != 0)
            break;
    }
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        return Fail(errno);
    return err == 0 ? 0 : Fail(err);
}

int TIdStackPosix::WSPollReadable(TIdStackSocketHandle s, int timeoutMs)
{
    // poll() rather than select(): an fd_set cannot hold descriptor numbers of 1024 and up.
    using Clock = std::chrono::steady_clock;
    const bool unlimited = timeoutMs == IdTimeoutInfinite;
    if (timeoutMs < 0 && !unlimited)
        return Fail(EINVAL); // as select() does with a negative time value

    const auto deadline = Clock::now() + std::chrono::milliseconds(unlimited ? 0 : timeoutMs);
    for (;;) {
        int wait = -1;
        if (!unlimited) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            wait = static_cast<int>(std::max<long long>(0, left.count()));
        }
        pollfd fd{s, POLLIN, 0};
        const int n = ::poll(&fd, 1, wait);
        if (n >= 0)
            return n;
        if (errno != EINTR)
            return Fail(errno);
    }
}

int TIdStackPosix::WSRecv(TIdStackSocketHandle s, void* buffer, int length, int flags)
{
    ssize_t n;
    do
        n = ::recv(s, buffer, static_cast<size_t>(length), flags);
    while (n < 0 && errno == EINTR);
    return n < 0 ? Fail(errno) : static_cast<int>(n);
}

// The closing calls leave the last error alone: every caller ignores their results, and
// the code of the failure that led to the close must stay readable.
int TIdStackPosix::WSShutdown(TIdStackSocketHandle s, int how)
{
    return ::shutdown(s, how) == 0 ? 0 : Id_SOCKET_ERROR;
}

int TIdStackPosix::WSCloseSocket(TIdStackSocketHandle s)
{
    // No retry on EINTR: on Linux the descriptor is released even then.
    return ::close(s) == 0 ? 0 : Id_SOCKET_ERROR;
}

void TIdStackPosix::WSGetSockName(TIdStackSocketHandle s, int& family, QString& ip, int& port)
{
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        CheckForSocketError(Fail(errno));
    SplitAddress(addr, family, ip, port);
}

void TIdStackPosix::WSGetPeerName(TIdStackSocketHandle s, int& family, QString& ip, int& port)
{
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getpeername(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        CheckForSocketError(Fail(errno));
    SplitAddress(addr, family, ip, port);
}

QString TIdStackPosix::WSGetHostByName(const QString& host)
{
    const QByteArray name = host.toUtf8();
    // A NUL inside the text would cut the name short and look up a different host. Names in
    // the reserved "invalid" domain never exist: they are refused without asking a resolver.
    if (name.isEmpty() || name.contains('\0') || IsReservedInvalidName(host)) {
        SetLastError(Id_WSAHOST_NOT_FOUND);
        RaiseSocketError(Id_WSAHOST_NOT_FOUND);
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* answer = nullptr;
    const int rc = ::getaddrinfo(name.constData(), nullptr, &hints, &answer);
    if (rc != 0 || !answer) {
        const int code = SocketErrorFromResolver(rc, errno);
        SetLastError(code);
        RaiseSocketError(code);
    }
    sockaddr_in addr{};
    std::memcpy(&addr, answer->ai_addr, sizeof addr);
    ::freeaddrinfo(answer);
    int family = 0, port = 0;
    QString ip;
    SplitAddress(addr, family, ip, port);
    return ip;
}

TIdStack* CreatePlatformStack()
{
    return new TIdStackPosix;
}
