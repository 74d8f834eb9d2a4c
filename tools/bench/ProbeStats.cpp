#include "ProbeStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <unistd.h>

namespace {
// Value of a header in the head (status line and headers), or empty.
std::string HeaderValue(const std::string& head, const char* name)
{
    const std::size_t length = std::strlen(name);
    for (std::size_t at = head.find("\r\n"); at != std::string::npos;
         at = head.find("\r\n", at + 2)) {
        const std::size_t start = at + 2;
        if (head.size() > start + length && head[start + length] == ':' &&
            ::strncasecmp(head.c_str() + start, name, length) == 0) {
            const std::size_t end = head.find("\r\n", start);
            std::string value = head.substr(start + length + 1, end - start - length - 1);
            value.erase(0, value.find_first_not_of(" \t"));
            return value;
        }
    }
    return {};
}

bool Contains(const std::string& text, const char* word)
{
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    return lower.find(word) != std::string::npos;
}
} // namespace

THttpResponse ParseHttpResponse(const std::string& data)
{
    THttpResponse r;
    const std::size_t headEnd = data.find("\r\n\r\n");
    if (headEnd == std::string::npos || data.compare(0, 5, "HTTP/") != 0)
        return r;
    const std::string head = data.substr(0, headEnd + 2);
    const std::size_t space = head.find(' ');
    r.Status = space == std::string::npos ? 0 : std::atoi(head.c_str() + space + 1);
    const std::string connection = HeaderValue(head, "Connection");
    r.CloseAfter = Contains(connection, "close") ||
                   (head.compare(0, 8, "HTTP/1.0") == 0 && !Contains(connection, "keep-alive"));
    std::size_t at = headEnd + 4;
    if (Contains(HeaderValue(head, "Transfer-Encoding"), "chunked")) {
        for (;;) {
            const std::size_t lineEnd = data.find("\r\n", at);
            if (lineEnd == std::string::npos)
                return r;
            const std::size_t size = std::strtoul(data.c_str() + at, nullptr, 16);
            at = lineEnd + 2;
            if (size == 0) {
                // Trailers end with an empty line.
                r.Complete =
                    data.find("\r\n", at) == at || data.find("\r\n\r\n", at) != std::string::npos;
                return r;
            }
            if (data.size() < at + size + 2)
                return r;
            r.Body.append(data, at, size);
            at += size + 2;
        }
    }
    const std::string length = HeaderValue(head, "Content-Length");
    if (length.empty()) {
        // Without a length the body ends with the connection; taken as whole when it closes.
        r.Body = data.substr(at);
        r.Complete = r.Status == 204 || r.Status == 304;
        r.CloseAfter = true;
        return r;
    }
    const std::size_t size = std::strtoul(length.c_str(), nullptr, 10);
    if (data.size() < at + size)
        return r;
    r.Body = data.substr(at, size);
    r.Complete = true;
    return r;
}

bool HasLine(const std::string& text, const std::string& line)
{
    for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
        const std::size_t end = at + line.size();
        if ((at == 0 || text[at - 1] == '\n') && (end == text.size() || text[end] == '\n'))
            return true;
    }
    return false;
}

TProcessSample SampleProcess(int pid)
{
    TProcessSample s;
    if (pid <= 0)
        return s;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    // Fields after the command name, which may hold spaces: state is field 3, utime 14.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return s;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    s.CpuSeconds = static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            s.RssKiB = std::atol(line.c_str() + 6);
        else if (line.rfind("VmHWM:", 0) == 0)
            s.HwmKiB = std::atol(line.c_str() + 6);
    }
    s.Valid = true;
    return s;
}

TProcessSample operator-(const TProcessSample& later, const TProcessSample& earlier)
{
    TProcessSample d = later;
    d.Valid = later.Valid && earlier.Valid;
    d.CpuSeconds = later.CpuSeconds - earlier.CpuSeconds;
    return d;
}

int CountOpenFds(int pid)
{
    if (pid <= 0)
        return -1;
    DIR* dir = ::opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    if (!dir)
        return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir))
        count += entry->d_name[0] != '.';
    ::closedir(dir);
    return count;
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    const auto rank =
        static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    const std::size_t index = std::min(values.size() - 1, rank == 0 ? 0 : rank - 1);
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index),
                     values.end());
    return values[index];
}

void TProbeStats::Add(double latencyMs, double queueMs, bool http200, bool ok)
{
    LatencyMs.push_back(latencyMs);
    MaxQueueMs = std::max(MaxQueueMs, queueMs);
    ++Answered;
    Http200 += http200;
    Ok += ok;
}

void TProbeStats::Print(const std::string& label, double seconds) const
{
    const double perProbeUs =
        Answered > 0 ? Exporter.CpuSeconds * 1e6 / static_cast<double>(Answered) : 0;
    std::printf("%s probes_per_s=%.1f answered=%zu http200=%zu ok=%zu errors=%zu unanswered=%zu "
                "p50_ms=%.2f p99_ms=%.2f max_ms=%.2f max_queue_ms=%.2f "
                "cpu_us_per_probe=%.1f cpu_pct=%.2f rss_kib=%ld hwm_kib=%ld fds=%d "
                "sim_cpu_pct=%.1f driver_cpu_pct=%.1f\n",
                label.c_str(), static_cast<double>(Answered) / seconds, Answered, Http200, Ok,
                Errors, Unanswered, Percentile(LatencyMs, 50), Percentile(LatencyMs, 99),
                Percentile(LatencyMs, 100), MaxQueueMs, perProbeUs,
                Exporter.CpuSeconds * 100 / seconds, Exporter.RssKiB, Exporter.HwmKiB,
                ExporterOpenFds, SimulatorCpuSeconds * 100 / seconds,
                DriverCpuSeconds * 100 / seconds);
    std::fflush(stdout);
}
