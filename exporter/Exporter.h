#pragma once

#include "ExporterOptions.h"
#include "ExporterStats.h"
#include "HttpServer.h"
#include "Log.h"
#include "Prober.h"
#include "WebConfig.h"

class TDeviceLoop;

// The exporter's HTTP side: /probe, the telemetry path and the landing page, behind the
// request cap and basic auth.
class TExporter {
public:
    TExporter(TExporterOptions options, const TLog& log, TDeviceLoop& loop);
    // Reads the web configuration and listens; an error text on failure.
    QString Start();
    // SIGHUP: users, certificate and key take effect at once; switching TLS on or off at the
    // next start.
    void ReloadWebConfig();
    void Stop() { FServer.Stop(); }
    QList<quint16> Ports() const { return FServer.Ports(); }

private:
    void Handle(const TExchangePtr& exchange);
    void Probe(const TExchangePtr& exchange);
    void Answer(const TExchangePtr& exchange, unsigned status, const QByteArray& body,
                const QByteArray& contentType = "text/plain; charset=utf-8");

    TExporterOptions FOptions;
    const TLog& FLog;
    TExporterStats FStats;
    TBasicAuth FAuth;
    TProber FProber;
    THttpServer FServer;
    bool FTls = false;
};
