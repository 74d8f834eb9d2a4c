// Prints the cost of one ReadAvailable hand-out, the same with the frame parsed, and the
// frame throughput of the transport over loopback. It links no GUI; the main window's whole
// poll (read, parse, panel, title) is bench_poll's. A benchmark, not a test: it asserts
// nothing.
#include "IdException.h"
#include "IdIOHandlerSocket.h"
#include "IdTCPClient.h"
#include "LoopbackPeer.h"
#include "ReadingFrame.h"

#include <QByteArray>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
const QByteArray Frame("*B1E1+025.6\r\n");

// A loopback listener with one accepted connection.
struct Peer {
    LoopbackListener Listener;
    int Fd = -1;
    bool Send(const QByteArray& bytes) const { return SendAll(Fd, bytes); }
};

void Connect(TIdTCPClient& client, Peer& peer)
{
    client.SetReadTimeout(50);
    peer.Fd = ConnectToListener(client, peer.Listener, 2500);
}

// With `parse`, each hand-out is also parsed as the window's poll parses it.
void HandOutCost(bool parse)
{
    Peer peer;
    TIdTCPClient client(nullptr);
    Connect(client, peer);
    const int fd = ComponentCast<TIdIOHandlerSocket>(client.IOHandler())->Binding()->Handle();
    std::vector<double> micros;
    for (int i = 0; i < 2000; ++i) {
        peer.Send(Frame);
        int waiting = 0;
        while (::ioctl(fd, FIONREAD, &waiting) == 0 && waiting < Frame.size())
            std::this_thread::yield();
        const auto start = Clock::now();
        const QByteArray got = client.ReadAvailable();
        if (parse && ParseReading(got).Result != TReadingResult::Reading)
            std::printf("no reading in the frame\n");
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (got != Frame)
            std::printf("unexpected hand-out of %lld bytes\n", static_cast<long long>(got.size()));
    }
    std::sort(micros.begin(), micros.end());
    std::printf("ReadAvailable%s, one %lld-byte frame waiting: median %.2f us, p99 %.2f us "
                "(n=%zu)\n",
                parse ? " + ParseReading" : "", static_cast<long long>(Frame.size()),
                micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.size());
}

void Throughput()
{
    Peer peer;
    TIdTCPClient client(nullptr);
    Connect(client, peer);
    std::atomic<bool> stop{false};
    QByteArray chunk;
    for (int i = 0; i < 1000; ++i)
        chunk += Frame;
    std::thread sender([&] {
        while (!stop.load() && peer.Send(chunk)) {
        }
    });
    long long bytes = 0;
    long long calls = 0;
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(2)) {
        try {
            bytes += client.ReadAvailable().size();
            ++calls;
        } catch (const EIdReadTimeout&) {
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    stop = true;
    client.CloseConnection(); // the sender's next send fails and it ends
    ::shutdown(peer.Fd, SHUT_RDWR);
    sender.join();
    std::printf("throughput: %.0f frames/s (%.1f MB/s, %.0f bytes per ReadAvailable)\n",
                static_cast<double>(bytes) / static_cast<double>(Frame.size()) / seconds,
                static_cast<double>(bytes) / seconds / 1e6,
                static_cast<double>(bytes) / static_cast<double>(std::max(1LL, calls)));
}
} // namespace

int main()
{
    HandOutCost(false);
    HandOutCost(true);
    Throughput();
    return 0;
}
