// Opens many loopback thermometer connections on one TDeviceLoop and prints what they cost:
// the time to connect them all, resident memory per connection, and the loop thread's CPU
// while they idle and while each gets a frame a second. A benchmark, not a test: it asserts
// nothing. Usage: bench_device [connections, default 5000]
#include "DeviceConnection.h"
#include "DeviceLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
const QByteArray Frame("*B1E1+021.5\r\n");

double ThreadCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double ResidentMiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// The thermometers: one listener on 127.0.0.1 and a thread that accepts and, on request,
// sends one frame on every accepted connection.
class TPeers {
public:
    explicit TPeers(int count) : FCount(count)
    {
        FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (::bind(FListener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            ::getsockname(FListener, reinterpret_cast<sockaddr*>(&addr), &len) == 0 &&
            ::listen(FListener, 4096) == 0)
            FPort = ntohs(addr.sin_port);
        FThread = std::thread([this] {
            while (static_cast<int>(FAccepted.size()) < FCount) {
                const int fd = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0)
                    break;
                FAccepted.push_back(fd);
            }
            FAllAccepted = true;
        });
    }
    ~TPeers()
    {
        ::shutdown(FListener, SHUT_RDWR);
        FThread.join();
        for (const int fd : FAccepted)
            ::close(fd);
        ::close(FListener);
    }
    TPeers(const TPeers&) = delete;
    TPeers& operator=(const TPeers&) = delete;
    quint16 Port() const { return static_cast<quint16>(FPort); }
    bool AllAccepted() const { return FAllAccepted; }
    void SendFrames() const
    {
        for (const int fd : FAccepted)
            ::send(fd, Frame.constData(), static_cast<size_t>(Frame.size()), MSG_NOSIGNAL);
    }

private:
    int FCount;
    int FListener = -1;
    int FPort = 0;
    std::thread FThread;
    std::vector<int> FAccepted;
    std::atomic<bool> FAllAccepted{false};
};

// Runs the event loop until the condition holds (looked at every 10 ms) or the limit passes.
bool RunUntil(const std::function<bool()>& done, int limitMs)
{
    QEventLoop events;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &events, [&] {
        if (done())
            events.quit();
    });
    check.start(10);
    QTimer::singleShot(limitMs, &events, &QEventLoop::quit);
    events.exec();
    return done();
}

void RunFor(int ms)
{
    QEventLoop events;
    QTimer::singleShot(ms, &events, &QEventLoop::quit);
    events.exec();
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 5000;
    TDeviceLoop loop;
    TPeers peers(count);
    const double rssBefore = ResidentMiB();

    int connected = 0;
    int failed = 0;
    qint64 frames = 0;
    std::vector<std::unique_ptr<TDeviceConnection>> connections;
    connections.reserve(static_cast<size_t>(count));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        connections.push_back(std::make_unique<TDeviceConnection>(
            loop, TDeviceConnection::THandlers{{},
                                               [&] { ++connected; },
                                               [&](const TDeviceFrame&) { ++frames; },
                                               [&](const TDeviceError&) { ++failed; },
                                               {}}));
        connections.back()->Open({QStringLiteral("127.0.0.1"), peers.Port()}, 10000);
    }
    RunUntil([&] { return connected + failed >= count; }, 60000);
    const qint64 openMs = clock.elapsed();
    RunUntil([&] { return peers.AllAccepted(); }, 10000);
    std::printf("connections           %d (%d connected, %d failed) in %lld ms\n", count, connected,
                failed, static_cast<long long>(openMs));
    const double rssOpen = ResidentMiB();
    std::printf("resident memory       %.1f MiB before, %.1f MiB open: %.2f KiB per connection\n",
                rssBefore, rssOpen, (rssOpen - rssBefore) * 1024.0 / qMax(connected, 1));

    const int idleMs = 3000;
    double cpu = ThreadCpuSeconds();
    RunFor(idleMs);
    std::printf("loop CPU, all idle    %.3f %% of one core\n",
                (ThreadCpuSeconds() - cpu) * 100.0 / (idleMs / 1000.0));

    const int seconds = 3;
    cpu = ThreadCpuSeconds();
    clock.restart();
    for (int s = 0; s < seconds; ++s) {
        peers.SendFrames();
        RunFor(1000);
    }
    const double busy = ThreadCpuSeconds() - cpu;
    std::printf("loop CPU, 1 frame/s   %.2f %% of one core, %.1f us per frame (%lld frames)\n",
                busy * 100.0 / (static_cast<double>(clock.elapsed()) / 1000.0),
                busy * 1e6 / static_cast<double>(qMax<qint64>(frames, 1)),
                static_cast<long long>(frames));
    connections.clear();
    return 0;
}
