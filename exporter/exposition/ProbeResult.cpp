#include "ProbeResult.h"

#include "Exposition.h"

#include <cmath>

QByteArray ReadingMetricsText(const std::optional<double>& celsius)
{
    TExposition e;
    e.Single("zvk_up", "gauge",
             "1 when the thermometer sent a whole reading frame with a number before the "
             "deadline, else 0.",
             celsius ? 1 : 0);
    if (celsius)
        e.Single("zvk_temperature_celsius", "gauge", "The reading the thermometer sent.", *celsius);
    return e.Text();
}

QByteArray ProbeMetricsText(const TProbeResult& result)
{
    TExposition e;
    e.Single("zvk_scrape_duration_seconds", "gauge", "How long the probe took.",
             result.DurationSeconds);
    e.Single("zvk_scrape_timeout_seconds", "gauge", "The deadline the probe used.",
             result.TimeoutSeconds);
    return ReadingMetricsText(result.Celsius) + e.Text();
}

QByteArray ProbeDebugText(const TProbeResult& result)
{
    QByteArray text = "Probe log:\n";
    for (const QString& line : result.Log)
        text += line.toUtf8().replace('\n', ' ') + '\n';
    if (!result.FailureReason.isEmpty())
        text += "Probe failed: " + result.FailureReason + '\n';
    else
        text += "Probe succeeded\n";
    text += "\nMetrics that would have been returned:\n";
    return text + ProbeMetricsText(result);
}

std::optional<double> ProbeTimeoutSeconds(const std::optional<QByteArray>& header, double offset,
                                          double defaultSeconds, QString* why)
{
    if (!header)
        return defaultSeconds;
    bool ok = false;
    const double scrape = header->trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(scrape) || scrape <= 0) {
        if (why)
            *why = QStringLiteral("X-Prometheus-Scrape-Timeout-Seconds is not a positive "
                                  "number: ") +
                   QString::fromLatin1(header->left(40));
        return std::nullopt;
    }
    return scrape > offset ? scrape - offset : scrape / 2;
}
