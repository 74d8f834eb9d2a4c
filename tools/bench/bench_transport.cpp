// Prints the cost of one ReadAvailable hand-out, the frame throughput of the transport over
// loopback, and the whole cost of the main window's poll per frame (read, parse, panel and
// title), with the window on the offscreen platform. A benchmark, not a test: it asserts
// nothing.
#include "Application.h"
#include "IdException.h"
#include "IdIOHandlerSocket.h"
#include "IdTCPClient.h"
#include "Language.h"
#include "ModalRunner.h"
#include "Screen.h"
#include "Timer.h"
#include "uf_ZVKdemo.h"

#include <QApplication>
#include <QByteArray>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
const QByteArray Frame("*B1E1+025.6\r\n");

// A loopback listener with one accepted connection.
struct Peer {
    int Listener = -1;
    int Fd = -1;
    int Port = 0;

    Peer()
    {
        Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        ::bind(Listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(Listener, 1);
        ::getsockname(Listener, reinterpret_cast<sockaddr*>(&addr), &len);
        Port = ntohs(addr.sin_port);
    }
    ~Peer()
    {
        ::close(Fd);
        ::close(Listener);
    }
    void Accept() { Fd = ::accept(Listener, nullptr, nullptr); }
    bool Send(const QByteArray& b) const
    {
        return ::send(Fd, b.constData(), static_cast<size_t>(b.size()), MSG_NOSIGNAL) == b.size();
    }
};

void WaitForBytes(TIdTCPClient& client, int count)
{
    const int fd = ComponentCast<TIdIOHandlerSocket>(client.IOHandler())->Binding()->Handle();
    int waiting = 0;
    while (::ioctl(fd, FIONREAD, &waiting) == 0 && waiting < count)
        std::this_thread::yield();
}

void Connect(TIdTCPClient& client, Peer& peer)
{
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(peer.Port);
    client.SetReadTimeout(50);
    client.OpenConnection(2500);
    peer.Accept();
}

void HandOutCost()
{
    Peer peer;
    TIdTCPClient client(nullptr);
    Connect(client, peer);
    std::vector<double> micros;
    for (int i = 0; i < 2000; ++i) {
        peer.Send(Frame);
        WaitForBytes(client, static_cast<int>(Frame.size()));
        const auto start = Clock::now();
        const QByteArray got = client.ReadAvailable();
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (got != Frame)
            std::printf("unexpected hand-out of %lld bytes\n", static_cast<long long>(got.size()));
    }
    std::sort(micros.begin(), micros.end());
    std::printf("ReadAvailable, one %lld-byte frame waiting: median %.2f us, p99 %.2f us (n=%zu)\n",
                static_cast<long long>(Frame.size()), micros[micros.size() / 2],
                micros[micros.size() * 99 / 100], micros.size());
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
double CpuMicros()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The main window's poll in CPU time (other programs on a busy machine count less), one
// frame waiting each time. With `changing` every frame carries a
// new reading, so the panel and the title change; otherwise the reading stays the same.
// `repaint` adds the event processing that repaints the panel.
double PollCost(TfZVKTeplomer& window, Peer& peer, bool changing, bool repaint)
{
    const QByteArray frames[] = {"*B1E1+025.6\r\n", "*B1E1+025.7\r\n"};
    std::vector<double> micros;
    for (int i = 0; i < 2000; ++i) {
        const QByteArray& frame = frames[changing ? i % 2 : 0];
        peer.Send(frame);
        WaitForBytes(*window.IdTCPClient1, static_cast<int>(frame.size()));
        const double start = CpuMicros();
        window.Timer1Timer(window.Timer1);
        if (repaint)
            QCoreApplication::processEvents();
        micros.push_back(CpuMicros() - start);
    }
    return Median(micros);
}

void PollCosts()
{
    // A message (no language file beside the benchmark) is answered at once.
    SetModalRunner([](QDialog&) { return 0; });
    TScreen screen;
    TApplication application;
    InitLanguageUnit();
    RegisterMainWindowLayout();
    Application->SetTitle(QStringLiteral("ZVK Demo"));
    Application->CreateForm(fZVKTeplomer);
    fZVKTeplomer->Show();
    QCoreApplication::processEvents();
    {
        Peer peer;
        fZVKTeplomer->IdTCPClient1->SetHost(QStringLiteral("127.0.0.1"));
        fZVKTeplomer->IdTCPClient1->SetPort(peer.Port);
        fZVKTeplomer->IdTCPClient1->OpenConnection(2500); // polls once: a read time-out
        peer.Accept();
        fZVKTeplomer->Timer1->SetEnabled(false); // the benchmark polls by itself
        for (const bool repaint : {false, true})
            for (const bool changing : {true, false})
                std::printf(
                    "poll (read + parse + panel + title%s), %s reading: median %.2f us CPU\n",
                    repaint ? " + repaint" : "", changing ? "changing" : "unchanging",
                    PollCost(*fZVKTeplomer, peer, changing, repaint));
        fZVKTeplomer->IdTCPClient1->CloseConnection();
    }
    application.DestroyComponents();
    fZVKTeplomer = nullptr;
    FinalizeLanguageUnit();
}
} // namespace

int main(int argc, char** argv)
{
    HandOutCost();
    Throughput();
    // The window's poll runs on the offscreen platform unless another one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PollCosts();
    return 0;
}
