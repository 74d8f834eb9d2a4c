#include "SimServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr std::uint64_t ListenerTag = 1ULL << 63;

// Each device needs a listener and a client: the soft limit goes up to the hard one, and the
// hard one too where privileges allow. An empty text when that sufficed.
std::string RaiseDescriptorLimit(rlim_t wanted)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= wanted)
        return {};
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::max(wanted, limit.rlim_max);
    limit.rlim_max = limit.rlim_cur;
    if (::setrlimit(RLIMIT_NOFILE, &limit) == 0)
        return {};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    return "needs " + std::to_string(wanted) + " descriptors, the hard limit is " +
           std::to_string(limit.rlim_max) + ": run several with fewer --devices";
}
} // namespace

SimServer::SimServer(SimOptions options) : FOptions(std::move(options)) {}

SimServer::~SimServer()
{
    for (const auto& [fd, c] : FClients)
        ::close(fd);
    for (const Device& d : FDevices)
        ::close(d.ListenFd);
    if (FEpollFd >= 0)
        ::close(FEpollFd);
}

bool SimServer::Listen(std::string& error)
{
    const std::string base = FOptions.Address == "localhost" ? "127.0.0.1" : FOptions.Address;
    in_addr first{};
    if (::inet_pton(AF_INET, base.c_str(), &first) != 1 || (ntohl(first.s_addr) >> 24) != 127) {
        error = "refusing to listen on " + FOptions.Address + ": only loopback (127.0.0.0/8)";
        return false;
    }
    const long count = std::max(1L, FOptions.Devices);
    const long perAddress = FOptions.PortsPerAddress > 0 ? FOptions.PortsPerAddress : count;
    if (FOptions.Port != 0 && FOptions.Port + std::min(count, perAddress) - 1 > 65535) {
        error = "ports beyond 65535: lower --port or use --ports-per-address";
        return false;
    }
    const std::uint32_t lastHost =
        ntohl(first.s_addr) + static_cast<std::uint32_t>((count - 1) / perAddress);
    if ((lastHost >> 24) != 127) {
        error = "addresses beyond 127.255.255.255: raise --ports-per-address";
        return false;
    }
    error = RaiseDescriptorLimit(static_cast<rlim_t>(count) * 2 + 16);
    if (!error.empty())
        return false;
    FEpollFd = ::epoll_create1(EPOLL_CLOEXEC);
    if (FEpollFd < 0) {
        error = std::string("epoll: ") + std::strerror(errno);
        return false;
    }
    FDevices.reserve(static_cast<std::size_t>(count));
    for (long i = 0; i < count; ++i) {
        in_addr host{htonl(ntohl(first.s_addr) + static_cast<std::uint32_t>(i / perAddress))};
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &host, text, sizeof text);
        const int port = FOptions.Port == 0 ? 0 : FOptions.Port + static_cast<int>(i % perAddress);
        if (!ListenOn(text, port, error))
            return false;
        // Neighbours start whole degrees apart, so their readings differ for a while.
        Device& d = FDevices.back();
        d.Temperature = i == 0 ? 22.0 : 10.0 + static_cast<double>((12 + i) % 25);
        d.Seed = 12345u + static_cast<unsigned>(i) * 7919u;
    }
    return true;
}

bool SimServer::ListenOn(const std::string& address, int port, std::string& error)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, address.c_str(), &addr.sin_addr);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int one = 1;
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        error = "cannot listen on " + address + ":" + std::to_string(port) + ": " +
                std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    Device d;
    d.ListenFd = fd;
    d.Address = address;
    d.Port = ntohs(addr.sin_port);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = ListenerTag | FDevices.size();
    FDevices.push_back(std::move(d));
    ::epoll_ctl(FEpollFd, EPOLL_CTL_ADD, fd, &ev);
    return true;
}

std::vector<std::string> SimServer::Endpoints() const
{
    std::vector<std::string> out;
    out.reserve(FDevices.size());
    for (const Device& d : FDevices)
        out.push_back(d.Address + ":" + std::to_string(d.Port));
    return out;
}

void SimServer::Run(const volatile std::sig_atomic_t& stop)
{
    std::vector<epoll_event> events(1024);
    while (!stop) {
        int waitMs = 1000;
        if (!FDue.empty()) {
            const auto ms =
                std::chrono::ceil<std::chrono::milliseconds>(FDue.front().When - Clock::now());
            waitMs = static_cast<int>(std::clamp<long long>(ms.count(), 0, 1000));
        }
        const int n =
            ::epoll_wait(FEpollFd, events.data(), static_cast<int>(events.size()), waitMs);
        if (n < 0 && errno != EINTR)
            return;
        for (int i = 0; i < n; ++i) {
            const std::uint64_t tag = events[static_cast<std::size_t>(i)].data.u64;
            if (tag & ListenerTag)
                Accept(static_cast<std::size_t>(tag & ~ListenerTag));
            else
                OnClientEvent(static_cast<int>(tag), events[static_cast<std::size_t>(i)].events);
        }
        const auto now = Clock::now();
        while (!FDue.empty() && FDue.front().When <= now) {
            const Due due = FDue.front();
            FDue.pop_front();
            const auto it = FClients.find(due.Fd);
            if (it != FClients.end() && it->second.Serial == due.Serial)
                Tick(it->second, now);
        }
    }
}

void SimServer::Accept(std::size_t device)
{
    for (;;) {
        const int fd =
            ::accept4(FDevices[device].ListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        Client& c = FClients[fd];
        c = Client{};
        c.Fd = fd;
        c.Device = device;
        c.Serial = FNextSerial++;
        for (long i = 0; i < FOptions.Burst; ++i)
            c.Pending += static_cast<char>(i % 256);
        c.Closing = FOptions.Frames == 0;
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.u64 = static_cast<std::uint64_t>(fd);
        ::epoll_ctl(FEpollFd, EPOLL_CTL_ADD, fd, &ev);
        if (c.Closing || FOptions.Silent)
            Flush(c);
        else
            Tick(c, Clock::now());
    }
}

void SimServer::OnClientEvent(int fd, std::uint32_t events)
{
    const auto it = FClients.find(fd);
    if (it == FClients.end())
        return;
    if (events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
        char sink[4096];
        const ssize_t n = ::recv(fd, sink, sizeof sink, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            Drop(fd);
            return;
        }
    }
    if (events & EPOLLOUT)
        Flush(it->second);
}

void SimServer::Tick(Client& c, Clock::time_point now)
{
    c.Pending += NextMessage(c);
    ++c.Sent;
    if (FOptions.Frames > 0 && c.Sent >= FOptions.Frames)
        c.Closing = true;
    if (Flush(c) && !c.Closing)
        FDue.push_back({now + std::chrono::milliseconds(FOptions.IntervalMs), c.Fd, c.Serial});
}

bool SimServer::Flush(Client& c)
{
    while (!c.Pending.empty()) {
        const ssize_t n = ::send(c.Fd, c.Pending.data(), c.Pending.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN) {
                Drop(c.Fd);
                return false;
            }
            break;
        }
        c.Pending.erase(0, static_cast<std::size_t>(n));
    }
    if (c.Closing && c.Pending.empty()) {
        Drop(c.Fd);
        return false;
    }
    const bool wantOut = !c.Pending.empty();
    if (wantOut != c.WatchingOut) {
        epoll_event ev{};
        ev.events = wantOut ? EPOLLIN | EPOLLOUT : EPOLLIN;
        ev.data.u64 = static_cast<std::uint64_t>(c.Fd);
        ::epoll_ctl(FEpollFd, EPOLL_CTL_MOD, c.Fd, &ev);
        c.WatchingOut = wantOut;
    }
    return true;
}

void SimServer::Drop(int fd)
{
    if (FOptions.Reset) {
        const linger abort{1, 0}; // a close with linger 0 sends a reset
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    ::close(fd);
    FClients.erase(fd);
}

std::string SimServer::NextMessage(const Client& c)
{
    if (!FOptions.Script.empty())
        return FOptions.Script[static_cast<std::size_t>(c.Sent) % FOptions.Script.size()];
    Device& d = FDevices[c.Device];
    double value = d.Temperature;
    if (FOptions.Value) {
        value = *FOptions.Value;
    } else {
        // A bounded random walk of at most 0.1 degrees per reading.
        d.Seed = d.Seed * 1103515245u + 12345u;
        const int step = static_cast<int>((d.Seed >> 16) % 3) - 1;
        d.Temperature = std::min(35.0, std::max(10.0, d.Temperature + step * 0.1));
    }
    // Sized to the value: a long one (1e60) still gets its whole frame and line end.
    const char* const format = "*B1E1%+06.1f\r\n";
    const int length = std::snprintf(nullptr, 0, format, value);
    std::string frame(static_cast<std::size_t>(length), '\0');
    std::snprintf(frame.data(), frame.size() + 1, format, value);
    return frame;
}
