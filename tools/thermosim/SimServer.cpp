#include "SimServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

SimServer::SimServer(SimOptions options) : FOptions(std::move(options)) {}

SimServer::~SimServer()
{
    for (Client& c : FClients)
        ::close(c.Fd);
    if (FListenFd >= 0)
        ::close(FListenFd);
}

bool SimServer::Listen(std::string& error)
{
    std::string address = FOptions.Address == "localhost" ? "127.0.0.1" : FOptions.Address;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(FOptions.Port));
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1 ||
        (ntohl(addr.sin_addr.s_addr) >> 24) != 127) {
        error = "refusing to listen on " + FOptions.Address + ": only loopback (127.0.0.0/8)";
        return false;
    }
    FListenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int one = 1;
    if (FListenFd < 0 || ::setsockopt(FListenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::bind(FListenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(FListenFd, 16) != 0) {
        error = "cannot listen on " + address + ":" + std::to_string(FOptions.Port) + ": " +
                std::strerror(errno);
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(FListenFd, reinterpret_cast<sockaddr*>(&addr), &len);
    FBoundPort = ntohs(addr.sin_port);
    return true;
}

void SimServer::Run(const volatile std::sig_atomic_t& stop)
{
    while (!stop) {
        std::vector<pollfd> fds{{FListenFd, POLLIN, 0}};
        auto wake = Clock::now() + std::chrono::seconds(1);
        for (const Client& c : FClients) {
            fds.push_back(
                {c.Fd, static_cast<short>(c.Pending.empty() ? POLLIN : POLLIN | POLLOUT), 0});
            if (!c.Closing && !FOptions.Silent && c.NextSend < wake)
                wake = c.NextSend;
        }
        const auto waitMs =
            std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now()).count();
        if (::poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(0, waitMs))) < 0 &&
            errno != EINTR)
            return;
        if (fds[0].revents & POLLIN)
            Accept();
        const auto now = Clock::now();
        for (auto it = FClients.begin(); it != FClients.end();) {
            char sink[4096];
            bool alive = ::recv(it->Fd, sink, sizeof sink, MSG_DONTWAIT) != 0;
            if (alive) {
                Tick(*it, now);
                alive = Flush(*it) && !(it->Closing && it->Pending.empty());
            }
            if (alive) {
                ++it;
            } else {
                if (FOptions.Reset) {
                    const linger abort{1, 0}; // a close with linger 0 sends a reset
                    ::setsockopt(it->Fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
                }
                ::close(it->Fd);
                it = FClients.erase(it);
            }
        }
    }
}

void SimServer::Accept()
{
    const int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    Client c{fd, {}, 0, Clock::now(), false};
    for (long i = 0; i < FOptions.Burst; ++i)
        c.Pending += static_cast<char>(i % 256);
    c.Closing = FOptions.Frames == 0;
    FClients.push_back(std::move(c));
}

void SimServer::Tick(Client& c, Clock::time_point now)
{
    if (c.Closing || FOptions.Silent || now < c.NextSend)
        return;
    c.Pending += NextMessage(c);
    c.NextSend = now + std::chrono::milliseconds(FOptions.IntervalMs);
    ++c.Sent;
    if (FOptions.Frames > 0 && c.Sent >= FOptions.Frames)
        c.Closing = true;
}

bool SimServer::Flush(Client& c)
{
    while (!c.Pending.empty()) {
        const ssize_t n = ::send(c.Fd, c.Pending.data(), c.Pending.size(), MSG_NOSIGNAL);
        if (n < 0)
            return errno == EAGAIN || errno == EINTR;
        c.Pending.erase(0, static_cast<std::size_t>(n));
    }
    return true;
}

std::string SimServer::NextMessage(const Client& c)
{
    if (!FOptions.Script.empty())
        return FOptions.Script[static_cast<std::size_t>(c.Sent) % FOptions.Script.size()];
    double value = FTemperature;
    if (FOptions.Value) {
        value = *FOptions.Value;
    } else {
        // A bounded random walk of at most 0.1 degrees per reading.
        FSeed = FSeed * 1103515245u + 12345u;
        const int step = static_cast<int>((FSeed >> 16) % 3) - 1;
        FTemperature = std::min(35.0, std::max(10.0, FTemperature + step * 0.1));
    }
    // Sized to the value: a long one (1e60) still gets its whole frame and line end.
    const char* const format = "*B1E1%+06.1f\r\n";
    const int length = std::snprintf(nullptr, 0, format, value);
    std::string frame(static_cast<std::size_t>(length), '\0');
    std::snprintf(frame.data(), frame.size() + 1, format, value);
    return frame;
}
