#include "ExporterStats.h"

#include "Exposition.h"

#include <QDir>
#include <QFile>
#include <sys/resource.h>
#include <unistd.h>

const char* const TExporterStats::FailureReasons[] = {
    "refused", "timeout", "reset", "closed", "bad_frame", "resolve", "not_allowed", "other"};

void TExporterStats::CountProbe(const QByteArray& failureReason)
{
    ++FProbes;
    if (!failureReason.isEmpty())
        ++FFailures[failureReason];
}

QByteArray TExporterStats::MetricsText(const QByteArray& version, const QByteArray& revision) const
{
    TExposition e;
    e.Family("zvk_exporter_build_info", "gauge",
             "A constant 1, labelled with the exporter's version and source revision.");
    e.Sample(1, {{"version", version}, {"revision", revision}});
    e.Single("zvk_exporter_probes_total", "counter", "Probes answered.",
             static_cast<double>(FProbes));
    e.Family("zvk_exporter_probe_failures_total", "counter",
             "Probes that got no reading, by reason.");
    QMap<QByteArray, quint64> all = FFailures;
    for (const char* reason : FailureReasons)
        all.insert(reason, FFailures.value(reason));
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        e.Sample(static_cast<double>(it.value()), {{"reason", it.key()}});
    e.Single("zvk_exporter_requests_in_flight", "gauge", "HTTP requests being served.", FInFlight);
    return e.Text() + ProcessMetricsText();
}

QByteArray ProcessMetricsText()
{
    QFile statFile(QStringLiteral("/proc/self/stat"));
    if (!statFile.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = statFile.readAll();
    // Fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> f = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (f.size() < 22)
        return {};
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    const double page = static_cast<double>(sysconf(_SC_PAGESIZE));
    double bootTime = 0;
    QFile procStat(QStringLiteral("/proc/stat"));
    if (procStat.open(QIODevice::ReadOnly))
        for (const QByteArray& line : procStat.readAll().split('\n'))
            if (line.startsWith("btime "))
                bootTime = line.mid(6).trimmed().toDouble();
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    const auto openFds =
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();

    TExposition e;
    e.Single("process_cpu_seconds_total", "counter",
             "Total user and system CPU time spent in seconds.",
             (f[11].toDouble() + f[12].toDouble()) / tick);
    e.Single("process_open_fds", "gauge", "Number of open file descriptors.",
             static_cast<double>(openFds));
    e.Single("process_max_fds", "gauge", "Maximum number of open file descriptors.",
             static_cast<double>(files.rlim_cur));
    e.Single("process_virtual_memory_bytes", "gauge", "Virtual memory size in bytes.",
             f[20].toDouble());
    e.Single("process_resident_memory_bytes", "gauge", "Resident memory size in bytes.",
             f[21].toDouble() * page);
    e.Single("process_start_time_seconds", "gauge",
             "Start time of the process since unix epoch in seconds.",
             bootTime + f[19].toDouble() / tick);
    return e.Text();
}
