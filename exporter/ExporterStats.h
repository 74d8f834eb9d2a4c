#pragma once

#include <QByteArray>
#include <QMap>

// The exporter's own metrics, for the telemetry path.
class TExporterStats {
public:
    static const char* const FailureReasons[];
    void CountProbe(const QByteArray& failureReason); // empty: success
    void RequestStarted() { ++FInFlight; }
    void RequestEnded() { --FInFlight; }
    int InFlight() const { return FInFlight; }
    QByteArray MetricsText(const QByteArray& version, const QByteArray& revision) const;

private:
    quint64 FProbes = 0;
    QMap<QByteArray, quint64> FFailures;
    int FInFlight = 0;
};

// process_* metrics from /proc/self, as Prometheus' client libraries export them.
QByteArray ProcessMetricsText();
