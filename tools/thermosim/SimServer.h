#pragma once

#include "SimOptions.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

// Listens on loopback addresses and feeds every client with reading frames: one thermometer,
// or with --devices many, all on one thread and one epoll set.
class SimServer {
public:
    explicit SimServer(SimOptions options);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Binds and listens; false with a message when that fails or an address is not loopback.
    bool Listen(std::string& error);
    int BoundPort() const { return FDevices.empty() ? 0 : FDevices.front().Port; }
    // "address:port" of each device, in order.
    std::vector<std::string> Endpoints() const;
    // Serves until stop becomes non-zero.
    void Run(const volatile std::sig_atomic_t& stop);

private:
    using Clock = std::chrono::steady_clock;
    struct Device {
        int ListenFd = -1;
        std::string Address;
        int Port = 0;
        double Temperature = 22.0;
        unsigned Seed = 12345;
    };
    struct Client {
        int Fd = -1;
        std::size_t Device = 0;
        std::uint64_t Serial = 0;
        std::string Pending;
        long Sent = 0;
        bool Closing = false;
        bool WatchingOut = false;
    };
    // Every client is due again one interval after its last send, so due times only grow and
    // a FIFO serves as the timer queue; a closed client's entries are skipped by serial.
    struct Due {
        Clock::time_point When;
        int Fd;
        std::uint64_t Serial;
    };

    bool ListenOn(const std::string& address, int port, std::string& error);
    void Accept(std::size_t device);
    void OnClientEvent(int fd, std::uint32_t events);
    void Tick(Client& c, Clock::time_point now);
    // Sends what is pending, watches for room when some is left, drops the client when it
    // failed or is done; false when dropped.
    bool Flush(Client& c);
    void Drop(int fd);
    std::string NextMessage(const Client& c);

    SimOptions FOptions;
    int FEpollFd = -1;
    std::vector<Device> FDevices;
    std::unordered_map<int, Client> FClients;
    std::deque<Due> FDue;
    std::uint64_t FNextSerial = 1;
};
