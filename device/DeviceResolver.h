#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <vector>

struct TSocketAddress {
    sockaddr_storage Storage{};
    socklen_t Length = 0;
};

struct TResolveAnswer {
    quint64 Id = 0;
    int GaiError = 0; // getaddrinfo's result, and errno right after it
    int SysErrno = 0;
    std::vector<TSocketAddress> Addresses;
};

// Name lookups off the loop's thread: getaddrinfo blocks, so a few worker threads run it and
// wake the loop through an eventfd. A slow name server holds up at most one worker.
class TDeviceResolver {
public:
    explicit TDeviceResolver(int wakeFd);
    ~TDeviceResolver(); // waits for the lookups in progress
    TDeviceResolver(const TDeviceResolver&) = delete;
    TDeviceResolver& operator=(const TDeviceResolver&) = delete;

    void Lookup(quint64 id, const QByteArray& host, quint16 port);
    std::vector<TResolveAnswer> TakeAnswers();

private:
    struct TRequest {
        quint64 Id;
        QByteArray Host;
        quint16 Port;
    };
    void Work();

    static constexpr int MaxWorkers = 8;
    const int FWakeFd;
    std::mutex FMutex;
    std::condition_variable FWork;
    std::deque<TRequest> FRequests;
    std::vector<TResolveAnswer> FAnswers;
    std::vector<std::thread> FWorkers;
    int FIdle = 0;
    bool FStopping = false;
};

// A numeric IPv4 or IPv6 text as an address, without a lookup.
bool ParseNumericAddress(const QByteArray& host, quint16 port, TSocketAddress* address);
// "a.b.c.d", "v6" (with "%scope" where it has one).
QString SocketHostText(const TSocketAddress& address);
// "a.b.c.d:port", "[v6]:port".
QString SocketAddressText(const TSocketAddress& address);
// RFC 6761: names under "invalid" never resolve; answered without asking a name server.
bool IsInvalidName(const QString& host);
