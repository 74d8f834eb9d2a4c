#pragma once

#include <QByteArray>
#include <vector>

// Peers for the client tests, all on 127.0.0.1 with a port picked by the system.

// A listening socket; connections are completed by the kernel and accepted on demand. On ::1
// instead of 127.0.0.1 when ipv6.
class LoopbackListener {
public:
    explicit LoopbackListener(bool ipv6 = false);
    ~LoopbackListener();
    int Port() const { return FPort; }
    // The next completed connection, or -1 when none arrives within the limit.
    int Accept(int timeoutMs = 5000);
    // Closes an accepted connection in order (FIN), or with a reset (RST).
    void Close(int fd);
    void Abort(int fd);

private:
    int FFd = -1;
    int FPort = 0;
    std::vector<int> FAccepted;
};

// A port with a bound socket that does not listen: every connect to it is refused.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    int Port() const { return FPort; }

private:
    int FFd = -1;
    int FPort = 0;
};

// A listener whose accept queue is full: a further connect to it is never answered.
class SilentPeer {
public:
    SilentPeer();
    ~SilentPeer();
    int Port() const { return FPort; }
    bool Ready() const { return FReady; }

private:
    int FFd = -1;
    int FPort = 0;
    bool FReady = false;
    std::vector<int> FFillers;
};

class TIdTCPClient;

// Connects the client to the listener on 127.0.0.1 (with the client's own read time-out) and
// accepts the connection: the listener's end, or -1 when none arrived.
int ConnectToListener(TIdTCPClient& client, LoopbackListener& listener, int connectLimitMs = 0);

bool SendAll(int fd, const QByteArray& bytes);
// Number of open descriptors of this process.
int OpenDescriptorCount();
