#include "Exporter.h"

#include "DeviceAddress.h"
#include "Exposition.h"
#include "TlsCredentials.h"

namespace {
const QByteArray LandingPage =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>ZVK Exporter</title></head>\n"
    "<body><h1>ZVK Exporter</h1>\n<p>Prometheus exporter for ZVK network thermometers.</p>\n"
    "<ul><li><a href=\"%METRICS%\">The exporter's own metrics</a></li>\n"
    "<li><a href=\"probe?target=127.0.0.1:10001&amp;debug=true\">A probe with its log</a></li>"
    "\n<li><a href=\"-/healthy\">Health check</a></li></ul>\n<form action=\"probe\"><label>Target "
    "<input name=\"target\" "
    "placeholder=\"192.0.2.7:10001\"></label> <input type=\"hidden\" name=\"debug\" "
    "value=\"true\"><input type=\"submit\" value=\"Probe\"></form>\n</body></html>\n";
}

TExporter::TExporter(TExporterOptions options, const TLog& log, TDeviceLoop& loop)
    : FOptions(std::move(options)), FLog(log),
      FProber(loop, FOptions.Allow, FOptions.KeepConnectionMs),
      FServer([this](const TExchangePtr& e) { Handle(e); })
{
}

QString TExporter::Start()
{
    if (!FOptions.WebConfigFile.isEmpty()) {
        QString why;
        const auto config = ReadWebConfig(FOptions.WebConfigFile, &why);
        if (!config)
            return why;
        FAuth.SetUsers(config->Users);
        FTls = config->Tls();
        if (FTls && !(why = TlsCredentials::Set(config->CertPem, config->KeyPem)).isEmpty())
            return why;
    }
    for (const QString& address : FOptions.ListenAddresses) {
        QString why = FServer.Listen(address, FTls);
        if (!why.isEmpty())
            return why;
        FLog.Write(TLogLevel::Info, QStringLiteral("Listening on address"),
                   {{"address", address},
                    {"port", QString::number(FServer.Ports().constLast())},
                    {"http2", "false"},
                    {"tls", FTls ? "true" : "false"}});
    }
    return {};
}

void TExporter::ReloadWebConfig()
{
    if (FOptions.WebConfigFile.isEmpty())
        return;
    QString why;
    const auto config = ReadWebConfig(FOptions.WebConfigFile, &why);
    if (!config) {
        FLog.Write(TLogLevel::Error, QStringLiteral("Keeping the previous web configuration"),
                   {{"err", why}});
        return;
    }
    if (config->Tls() && FTls) {
        const QString why = TlsCredentials::Set(config->CertPem, config->KeyPem);
        if (!why.isEmpty()) {
            FLog.Write(TLogLevel::Error, QStringLiteral("Keeping the previous web configuration"),
                       {{"err", why}});
            return;
        }
    } else if (config->Tls() != FTls) {
        FLog.Write(TLogLevel::Warn,
                   QStringLiteral("Switching TLS on or off takes effect at the next start"));
    }
    FAuth.SetUsers(config->Users);
    FLog.Write(TLogLevel::Info, QStringLiteral("Web configuration re-read"),
               {{"file", FOptions.WebConfigFile}});
}

void TExporter::Answer(const TExchangePtr& exchange, unsigned status, const QByteArray& body,
                       const QByteArray& contentType)
{
    FStats.RequestEnded();
    THttpResponse response{status, contentType, body, {}};
    if (status == 401)
        response.Headers << qMakePair(QByteArray("WWW-Authenticate"),
                                      QByteArray("Basic realm=\"zvk_exporter\""));
    exchange->Respond(std::move(response));
}

void TExporter::Handle(const TExchangePtr& exchange)
{
    if (FStats.InFlight() >= FOptions.MaxRequests) {
        exchange->Respond({503,
                           "text/plain; charset=utf-8",
                           QByteArrayLiteral("too many requests in flight; try again\n"),
                           {}});
        return;
    }
    FStats.RequestStarted();
    if (FAuth.Enabled() && !FAuth.Check(exchange->Header("Authorization"))) {
        Answer(exchange, 401, "Unauthorized\n");
        return;
    }
    if (exchange->Method != "GET" && exchange->Method != "HEAD") {
        Answer(exchange, 405, "only GET and HEAD\n");
        return;
    }
    const QByteArray path = exchange->Path;
    if (path == "/") {
        Answer(exchange, 200,
               QByteArray(LandingPage).replace("%METRICS%", FOptions.TelemetryPath.toUtf8().mid(1)),
               "text/html; charset=utf-8");
    } else if (path == FOptions.TelemetryPath.toUtf8()) {
        Answer(exchange, 200, FStats.MetricsText(ZVK_VERSION, ZVK_REVISION),
               TExposition::ContentType);
    } else if (path == "/probe") {
        Probe(exchange);
    } else if (path == "/-/healthy") {
        Answer(exchange, 200, "Healthy"); // blackbox_exporter's answer, for the same checks
    } else {
        Answer(exchange, 404, "not found\n");
    }
}

void TExporter::Probe(const TExchangePtr& exchange)
{
    const std::optional<QByteArray> target = exchange->QueryValue("target");
    if (!target || target->isEmpty()) {
        Answer(exchange, 400, "target parameter is missing\n");
        return;
    }
    QString why;
    const std::optional<TDeviceAddress> address =
        ParseDeviceAddress(QString::fromUtf8(*target), &why);
    if (!address) {
        Answer(exchange, 400, "target " + target->left(200) + ": " + why.toUtf8() + '\n');
        return;
    }
    const std::optional<double> timeout =
        ProbeTimeoutSeconds(exchange->Header("X-Prometheus-Scrape-Timeout-Seconds"),
                            FOptions.TimeoutOffsetSeconds, FOptions.DefaultTimeoutSeconds, &why);
    if (!timeout) {
        Answer(exchange, 400, why.toUtf8() + '\n');
        return;
    }
    const bool debug = exchange->QueryValue("debug") == QByteArray("true");
    const QString text = address->Text();
    FProber.Probe(
        *address, *timeout,
        [this, exchange, debug, text](const TProbeOutcome& outcome) {
            if (outcome.Forbidden) {
                FStats.CountProbe("not_allowed");
                FLog.Write(TLogLevel::Warn, QStringLiteral("Target refused"), {{"target", text}});
                Answer(exchange, 403, outcome.Why.toUtf8() + '\n');
                return;
            }
            const TProbeResult& r = outcome.Result;
            FStats.CountProbe(r.FailureReason);
            if (FLog.Writes(TLogLevel::Debug)) // its fields are built only to be written
                FLog.Write(TLogLevel::Debug, QStringLiteral("Probe done"),
                           {{"target", text},
                            {"success", r.Celsius ? "true" : "false"},
                            {"reason", QString::fromUtf8(r.FailureReason)},
                            {"duration_seconds", QString::number(r.DurationSeconds)}});
            if (debug)
                Answer(exchange, 200, ProbeDebugText(r));
            else
                Answer(exchange, 200, ProbeMetricsText(r), TExposition::ContentType);
        },
        debug);
}
