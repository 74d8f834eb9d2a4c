#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What probe_load measures, apart from the driving: HTTP responses, latencies, /proc figures.

struct THttpResponse {
    bool Complete = false;
    int Status = 0;
    bool CloseAfter = false; // "Connection: close", or HTTP/1.0 without keep-alive
    std::string Body;        // de-chunked
};
// Parses one response from the start of data; Complete is false while bytes are missing.
THttpResponse ParseHttpResponse(const std::string& data);
// Whether text holds line as a whole line.
bool HasLine(const std::string& text, const std::string& line);

struct TProcessSample {
    bool Valid = false;
    double CpuSeconds = 0; // utime + stime
    long RssKiB = 0;       // VmRSS
    long HwmKiB = 0;       // VmHWM
};
TProcessSample SampleProcess(int pid);
// CPU used between two samples, memory of the later one.
TProcessSample operator-(const TProcessSample& later, const TProcessSample& earlier);
int CountOpenFds(int pid);

// The p-th percentile (0..100) by nearest rank; 0 when empty.
double Percentile(std::vector<double> values, double p);

struct TProbeStats {
    std::vector<double> LatencyMs; // request written to response read
    double MaxQueueMs = 0;         // slot in the schedule to request written
    std::size_t Answered = 0;
    std::size_t Http200 = 0;
    std::size_t Ok = 0;
    std::size_t Errors = 0;
    std::size_t Unanswered = 0;
    TProcessSample Exporter;
    double SimulatorCpuSeconds = 0;
    double DriverCpuSeconds = 0;
    int ExporterOpenFds = -1;

    void Add(double latencyMs, double queueMs, bool http200, bool ok);
    // seconds: from the first measured probe to the last answer.
    void Print(const std::string& label, double seconds) const;
};
