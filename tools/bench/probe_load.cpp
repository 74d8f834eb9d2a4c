// probe_load: drives /probe requests at a steady rate against a Prometheus multi-target
// exporter on a loopback address, the way Prometheus would for many targets, and prints one
// line of figures: probes/s, latency, and the exporter's CPU and memory from /proc.
// One thread, non-blocking keep-alive HTTP/1.1 connections on one epoll set.
#include "ProbeStats.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sstream>
#include <string>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

struct Options {
    std::string Exporter = "127.0.0.1:9115";
    std::string Path = "/probe?target=";
    std::string TargetsFile;
    std::string OkLine = "zvk_up 1";
    std::string Label = "run";
    double Rate = 100;
    double Warmup = 0;
    double Duration = 10;
    int Pid = 0;
    std::vector<int> SimPids;
    int Connections = 32;
    int ScrapeTimeout = 10;
};

struct Request {
    std::size_t Target = 0;
    Clock::time_point Scheduled;
    Clock::time_point Sent;
    bool Measured = false;
};

struct Connection {
    int Fd = -1;
    bool Connected = false;
    bool Busy = false;
    Request Current;
    std::string Out;
    std::string In;
};

const char* const Usage =
    "Usage: probe_load --targets FILE [options]\n"
    "  --exporter HOST:PORT  exporter on a loopback address (default 127.0.0.1:9115)\n"
    "  --path TEXT           request path before the target (default /probe?target=)\n"
    "  --targets FILE        one HOST:PORT per line, probed in turn\n"
    "  --rate R              probes per second (default 100)\n"
    "  --warmup S            seconds probed before measuring (default 0)\n"
    "  --duration S          seconds measured (default 10)\n"
    "  --ok LINE             body line of a successful probe (default \"zvk_up 1\")\n"
    "  --pid PID             exporter process whose CPU and memory are reported\n"
    "  --sim-pid PID[,PID]   simulator processes whose CPU is reported\n"
    "  --connections N       most connections to the exporter at once (default 32)\n"
    "  --scrape-timeout S    X-Prometheus-Scrape-Timeout-Seconds sent (default 10)\n"
    "  --label NAME          first field of the output line\n";

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string arg = argv[i];
        const char* value = argv[i + 1];
        if (arg == "--exporter")
            o.Exporter = value;
        else if (arg == "--path")
            o.Path = value;
        else if (arg == "--targets")
            o.TargetsFile = value;
        else if (arg == "--ok")
            o.OkLine = value;
        else if (arg == "--label")
            o.Label = value;
        else if (arg == "--rate")
            o.Rate = std::atof(value);
        else if (arg == "--warmup")
            o.Warmup = std::atof(value);
        else if (arg == "--duration")
            o.Duration = std::atof(value);
        else if (arg == "--pid")
            o.Pid = std::atoi(value);
        else if (arg == "--sim-pid")
            for (std::istringstream list(value); std::getline(list, arg, ',');)
                o.SimPids.push_back(std::atoi(arg.c_str()));
        else if (arg == "--connections")
            o.Connections = std::atoi(value);
        else if (arg == "--scrape-timeout")
            o.ScrapeTimeout = std::atoi(value);
        else
            return false;
    }
    return argc % 2 == 1 && !o.TargetsFile.empty() && o.Rate > 0 && o.Duration > 0 &&
           o.Connections > 0;
}

std::string PercentEncode(const std::string& text)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class Driver {
public:
    Driver(Options options, std::vector<std::string> targets, sockaddr_in exporter)
        : FOptions(std::move(options)), FTargets(std::move(targets)), FExporter(exporter),
          FEpollFd(::epoll_create1(EPOLL_CLOEXEC))
    {
    }
    ~Driver()
    {
        for (const Connection& c : FConnections)
            if (c.Fd >= 0)
                ::close(c.Fd);
        ::close(FEpollFd);
    }
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    void Run();

private:
    void Issue(std::size_t k, Clock::time_point scheduled, bool measured);
    void Send(std::size_t slot, const Request& request);
    bool Open(std::size_t slot);
    void OnEvent(std::size_t slot, std::uint32_t events);
    // A whole response in c.In: records it and frees the connection; false while partial.
    bool TakeResponse(std::size_t slot);
    void ServeWaiting(std::size_t slot);
    void Fail(std::size_t slot, const char* why);
    void Close(std::size_t slot);
    void Finish(const Request& request, bool http200, bool ok);
    void SweepTimeouts(Clock::time_point now);
    double SimulatorCpu() const;

    Options FOptions;
    std::vector<std::string> FTargets;
    sockaddr_in FExporter;
    int FEpollFd;
    std::vector<Connection> FConnections;
    std::deque<Request> FWaiting;
    std::size_t FInFlight = 0;
    TProbeStats FStats;
    bool FReportedError = false;
};

void Driver::Run()
{
    FConnections.resize(static_cast<std::size_t>(FOptions.Connections));
    const auto start = Clock::now();
    const auto period = std::chrono::duration<double>(1.0 / FOptions.Rate);
    const auto measureFrom = start + std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(FOptions.Warmup));
    const auto end = measureFrom + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(FOptions.Duration));
    const auto drainUntil = end + std::chrono::seconds(FOptions.ScrapeTimeout + 2);
    std::size_t k = 0;
    bool measuring = false;
    TProcessSample exporterFrom;
    double simFrom = 0;
    double ownFrom = 0;
    std::vector<epoll_event> events(256);
    auto lastSweep = start;
    for (;;) {
        auto now = Clock::now();
        if (!measuring && now >= measureFrom) {
            measuring = true;
            exporterFrom = SampleProcess(FOptions.Pid);
            simFrom = SimulatorCpu();
            ownFrom = CpuSeconds();
        }
        Clock::time_point next = drainUntil;
        while (true) {
            const auto scheduled = start + std::chrono::duration_cast<Clock::duration>(
                                               period * static_cast<double>(k));
            if (scheduled >= end)
                break;
            if (scheduled > now) {
                next = scheduled;
                break;
            }
            Issue(k, scheduled, scheduled >= measureFrom);
            ++k;
        }
        if (now >= end && FStats.ExporterOpenFds < 0)
            FStats.ExporterOpenFds = CountOpenFds(FOptions.Pid);
        if (now >= end && (FInFlight == 0 || now >= drainUntil))
            break;
        if (now - lastSweep > std::chrono::milliseconds(100)) {
            SweepTimeouts(now);
            lastSweep = now;
        }
        // Draining: a short wait, so that the measured time ends with the last answer.
        const auto wait =
            std::min(next, now + std::chrono::milliseconds(now >= end ? 1 : 100)) - now;
        const timespec timeout{
            0, std::max<long>(0, static_cast<long>(std::chrono::nanoseconds(wait).count()))};
        const int n = ::epoll_pwait2(FEpollFd, events.data(), static_cast<int>(events.size()),
                                     &timeout, nullptr);
        for (int i = 0; i < n; ++i)
            OnEvent(events[static_cast<std::size_t>(i)].data.u64,
                    events[static_cast<std::size_t>(i)].events);
    }
    // Up to the last answer: a backlog answered late still counts against the exporter's CPU.
    FStats.Exporter = SampleProcess(FOptions.Pid) - exporterFrom;
    FStats.SimulatorCpuSeconds = SimulatorCpu() - simFrom;
    FStats.DriverCpuSeconds = CpuSeconds() - ownFrom;
    FStats.Unanswered += FInFlight + FWaiting.size();
    FStats.Print(FOptions.Label, std::chrono::duration<double>(Clock::now() - measureFrom).count());
}

void Driver::Issue(std::size_t k, Clock::time_point scheduled, bool measured)
{
    Request request{k % FTargets.size(), scheduled, {}, measured};
    ++FInFlight;
    for (std::size_t slot = 0; slot < FConnections.size(); ++slot) {
        Connection& c = FConnections[slot];
        if (c.Fd >= 0 && c.Connected && !c.Busy) {
            Send(slot, request);
            return;
        }
    }
    for (std::size_t slot = 0; slot < FConnections.size(); ++slot) {
        if (FConnections[slot].Fd < 0 && Open(slot)) {
            FConnections[slot].Busy = true;
            FConnections[slot].Current = request;
            return;
        }
    }
    FWaiting.push_back(request);
}

void Driver::Send(std::size_t slot, const Request& request)
{
    Connection& c = FConnections[slot];
    c.Busy = true;
    c.Current = request;
    c.Current.Sent = Clock::now();
    c.Out = "GET " + FOptions.Path + PercentEncode(FTargets[request.Target]) +
            " HTTP/1.1\r\nHost: " + FOptions.Exporter +
            "\r\nAccept: text/plain\r\nX-Prometheus-Scrape-Timeout-Seconds: " +
            std::to_string(FOptions.ScrapeTimeout) + "\r\n\r\n";
    const ssize_t n = ::send(c.Fd, c.Out.data(), c.Out.size(), MSG_NOSIGNAL);
    if (n == static_cast<ssize_t>(c.Out.size()))
        c.Out.clear();
    else if (n >= 0)
        c.Out.erase(0, static_cast<std::size_t>(n));
    else if (errno != EAGAIN)
        Fail(slot, "send failed");
    if (c.Fd >= 0 && !c.Out.empty()) {
        epoll_event ev{EPOLLIN | EPOLLOUT, {}};
        ev.data.u64 = slot;
        ::epoll_ctl(FEpollFd, EPOLL_CTL_MOD, c.Fd, &ev);
    }
}

bool Driver::Open(std::size_t slot)
{
    Connection& c = FConnections[slot];
    c = Connection{};
    c.Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (c.Fd < 0)
        return false;
    const int one = 1;
    ::setsockopt(c.Fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(c.Fd, reinterpret_cast<const sockaddr*>(&FExporter), sizeof FExporter) != 0 &&
        errno != EINPROGRESS) {
        ::close(c.Fd);
        c.Fd = -1;
        return false;
    }
    epoll_event ev{EPOLLIN | EPOLLOUT, {}};
    ev.data.u64 = slot;
    ::epoll_ctl(FEpollFd, EPOLL_CTL_ADD, c.Fd, &ev);
    return true;
}

void Driver::OnEvent(std::size_t slot, std::uint32_t events)
{
    Connection& c = FConnections[slot];
    if (c.Fd < 0)
        return;
    if (!c.Connected && (events & (EPOLLOUT | EPOLLERR | EPOLLHUP))) {
        int error = 0;
        socklen_t len = sizeof error;
        ::getsockopt(c.Fd, SOL_SOCKET, SO_ERROR, &error, &len);
        if (error != 0) {
            Fail(slot, "connect to the exporter failed");
            return;
        }
        c.Connected = true;
        epoll_event ev{EPOLLIN, {}};
        ev.data.u64 = slot;
        ::epoll_ctl(FEpollFd, EPOLL_CTL_MOD, c.Fd, &ev);
        Send(slot, c.Current);
        return;
    }
    if ((events & EPOLLOUT) && !c.Out.empty()) {
        const ssize_t n = ::send(c.Fd, c.Out.data(), c.Out.size(), MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN) {
            Fail(slot, "send failed");
            return;
        }
        c.Out.erase(0, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (c.Out.empty()) {
            epoll_event ev{EPOLLIN, {}};
            ev.data.u64 = slot;
            ::epoll_ctl(FEpollFd, EPOLL_CTL_MOD, c.Fd, &ev);
        }
    }
    if (events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
        char buffer[65536];
        const ssize_t n = ::recv(c.Fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            c.In.append(buffer, static_cast<std::size_t>(n));
            TakeResponse(slot);
        } else if (n == 0 || errno != EAGAIN) {
            if (c.Busy)
                Fail(slot, "exporter closed the connection mid-request");
            else
                Close(slot);
        }
    }
}

bool Driver::TakeResponse(std::size_t slot)
{
    Connection& c = FConnections[slot];
    const THttpResponse response = ParseHttpResponse(c.In);
    if (!response.Complete)
        return false;
    if (!c.Busy) {
        Fail(slot, "response without a request");
        return true;
    }
    c.Busy = false;
    c.In.clear();
    Finish(c.Current, response.Status == 200, HasLine(response.Body, FOptions.OkLine));
    if (response.Status != 200 && !FReportedError) {
        FReportedError = true;
        std::fprintf(stderr, "probe_load: HTTP %d for %s: %.200s\n", response.Status,
                     FTargets[c.Current.Target].c_str(), response.Body.c_str());
    }
    if (response.CloseAfter)
        Close(slot);
    ServeWaiting(slot);
    return true;
}

void Driver::ServeWaiting(std::size_t slot)
{
    Connection& c = FConnections[slot];
    if (FWaiting.empty() || c.Busy)
        return;
    if (c.Fd >= 0) {
        const Request next = FWaiting.front();
        FWaiting.pop_front();
        Send(slot, next);
    } else if (Open(slot)) {
        c.Busy = true;
        c.Current = FWaiting.front();
        FWaiting.pop_front();
    }
}

void Driver::Finish(const Request& request, bool http200, bool ok)
{
    --FInFlight;
    if (!request.Measured)
        return;
    const auto now = Clock::now();
    FStats.Add(std::chrono::duration<double, std::milli>(now - request.Sent).count(),
               std::chrono::duration<double, std::milli>(request.Sent - request.Scheduled).count(),
               http200, ok);
}

void Driver::Fail(std::size_t slot, const char* why)
{
    Connection& c = FConnections[slot];
    if (!FReportedError) {
        FReportedError = true;
        std::fprintf(stderr, "probe_load: %s\n", why);
    }
    if (c.Busy) {
        --FInFlight;
        if (c.Current.Measured)
            ++FStats.Errors;
    }
    Close(slot);
    ServeWaiting(slot);
}

void Driver::Close(std::size_t slot)
{
    Connection& c = FConnections[slot];
    if (c.Fd >= 0)
        ::close(c.Fd);
    c = Connection{};
}

double Driver::SimulatorCpu() const
{
    double seconds = 0;
    for (const int pid : FOptions.SimPids)
        seconds += SampleProcess(pid).CpuSeconds;
    return seconds;
}

void Driver::SweepTimeouts(Clock::time_point now)
{
    const auto limit = std::chrono::seconds(FOptions.ScrapeTimeout + 2);
    for (std::size_t slot = 0; slot < FConnections.size(); ++slot) {
        const Connection& c = FConnections[slot];
        if (c.Fd >= 0 && c.Busy && c.Connected && now - c.Current.Sent > limit)
            Fail(slot, "no answer within the scrape timeout");
    }
}
} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    std::vector<std::string> targets;
    std::ifstream file(options.TargetsFile);
    for (std::string line; std::getline(file, line);)
        if (!line.empty())
            targets.push_back(line);
    const auto colon = options.Exporter.rfind(':');
    sockaddr_in exporter{};
    exporter.sin_family = AF_INET;
    exporter.sin_port =
        htons(static_cast<uint16_t>(std::atoi(options.Exporter.c_str() + colon + 1)));
    if (targets.empty() || colon == std::string::npos ||
        ::inet_pton(AF_INET, options.Exporter.substr(0, colon).c_str(), &exporter.sin_addr) != 1 ||
        (ntohl(exporter.sin_addr.s_addr) >> 24) != 127) {
        std::fputs("probe_load: needs targets and an exporter at 127.x.y.z:PORT\n", stderr);
        return 2;
    }
    Driver driver(options, std::move(targets), exporter);
    driver.Run();
    return 0;
}
