#pragma once

#include "SimOptions.h"

#include <chrono>
#include <csignal>
#include <list>
#include <string>

// Listens on a loopback address and feeds every client with reading frames.
class SimServer {
public:
    explicit SimServer(SimOptions options);
    ~SimServer();

    // Binds and listens; false with a message when that fails or the address is not loopback.
    bool Listen(std::string& error);
    int BoundPort() const { return FBoundPort; }
    // Serves until stop becomes non-zero.
    void Run(const volatile std::sig_atomic_t& stop);

private:
    using Clock = std::chrono::steady_clock;
    struct Client {
        int Fd;
        std::string Pending;
        long Sent = 0;
        Clock::time_point NextSend;
        bool Closing = false;
    };

    void Accept();
    void Tick(Client& c, Clock::time_point now);
    bool Flush(Client& c);
    std::string NextMessage(const Client& c);

    SimOptions FOptions;
    int FListenFd = -1;
    int FBoundPort = 0;
    double FTemperature = 22.0;
    unsigned FSeed = 12345;
    std::list<Client> FClients;
};
