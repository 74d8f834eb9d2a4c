#pragma once

#include <QByteArray>
#include <QStringList>
#include <optional>

// What one probe found. Celsius is set only when a whole "B" frame with a plain number came
// before the deadline; there is never a last or a made-up value.
struct TProbeResult {
    std::optional<double> Celsius;
    double DurationSeconds = 0;
    double TimeoutSeconds = 0;
    QByteArray FailureReason; // "timeout", "refused", ..., empty when Celsius is set
    QStringList Log;          // the probe's steps, for &debug=true
};

// zvk_up and, with a reading, zvk_temperature_celsius: what zvkread --format prometheus
// writes too, so the two never name or describe a reading differently.
QByteArray ReadingMetricsText(const std::optional<double>& celsius);

// The probe's metrics in the text exposition format: the reading's, then the probe's timing.
QByteArray ProbeMetricsText(const TProbeResult& result);

// &debug=true: the probe's log, then the metrics it would have returned.
QByteArray ProbeDebugText(const TProbeResult& result);

// The deadline in seconds: the Prometheus scrape timeout header minus the offset, or the
// default without a header. A header that is not a positive number gives nullopt and *why.
// Where the offset would leave nothing, half the scrape timeout is used.
std::optional<double> ProbeTimeoutSeconds(const std::optional<QByteArray>& header, double offset,
                                          double defaultSeconds, QString* why);
