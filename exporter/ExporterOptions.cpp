#include "ExporterOptions.h"

#include <QRegularExpression>
#include <cmath>

std::optional<double> ParseDurationSeconds(const QString& text)
{
    bool plain = false;
    const double seconds = text.toDouble(&plain);
    if (plain)
        return std::isfinite(seconds) && seconds >= 0 ? std::optional(seconds) : std::nullopt;
    static const QRegularExpression part(QStringLiteral("(\\d+(?:\\.\\d+)?)(ms|s|m|h|d)"));
    double total = 0;
    qsizetype at = 0;
    auto it = part.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.capturedStart() != at)
            return std::nullopt;
        at = m.capturedEnd();
        const QString unit = m.captured(2);
        const double scale = unit == u"ms"  ? 0.001
                             : unit == u"s" ? 1
                             : unit == u"m" ? 60
                             : unit == u"h" ? 3600
                                            : 86400;
        total += m.captured(1).toDouble() * scale;
    }
    if (at == 0 || at != text.size())
        return std::nullopt;
    return total;
}

namespace {
TExporterCommandLine Bad(const QString& error)
{
    TExporterCommandLine line;
    line.Do = TExporterCommandLine::BadUsage;
    line.Error = error;
    return line;
}

const QStringList ValueFlags{"web.listen-address",
                             "web.telemetry-path",
                             "web.config.file",
                             "web.max-requests",
                             "probe.allow",
                             "probe.timeout-offset",
                             "probe.default-timeout",
                             "probe.keep-connection",
                             "log.level",
                             "log.format"};
} // namespace

TExporterCommandLine ParseExporterCommandLine(const QStringList& arguments)
{
    TExporterCommandLine line;
    TExporterOptions& o = line.Options;
    QString allowText;
    bool allowSet = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == u"--help" || arg == u"-h") {
            line.Do = TExporterCommandLine::Help;
            return line;
        }
        if (arg == u"--version") {
            line.Do = TExporterCommandLine::Version;
            return line;
        }
        if (!arg.startsWith(u"--"))
            return Bad(QStringLiteral("unexpected argument '%1'").arg(arg));
        QString name = arg.mid(2);
        QString value;
        const qsizetype eq = name.indexOf(u'=');
        if (eq >= 0) {
            value = name.mid(eq + 1);
            name.truncate(eq);
        }
        if (!ValueFlags.contains(name))
            return Bad(QStringLiteral("unknown flag --%1").arg(name));
        if (eq < 0) {
            if (++i >= arguments.size())
                return Bad(QStringLiteral("expected a value for --%1").arg(name));
            value = arguments[i];
        }
        const auto invalid = [&](const QString& what) {
            return Bad(QStringLiteral("invalid value '%1' for --%2: %3").arg(value, name, what));
        };
        if (name == u"web.listen-address") {
            o.ListenAddresses << value;
        } else if (name == u"web.telemetry-path") {
            if (!value.startsWith(u'/') || value == u"/" || value == u"/probe")
                return invalid(QStringLiteral("a path starting with '/', not / or /probe"));
            o.TelemetryPath = value;
        } else if (name == u"web.config.file") {
            o.WebConfigFile = value;
        } else if (name == u"web.max-requests") {
            bool ok = false;
            o.MaxRequests = value.toInt(&ok);
            if (!ok || o.MaxRequests < 1)
                return invalid(QStringLiteral("a whole number from 1 up"));
        } else if (name == u"probe.allow") {
            allowText += (allowSet ? "," : "") + value;
            allowSet = true;
        } else if (name == u"probe.timeout-offset") {
            const auto s = ParseDurationSeconds(value);
            if (!s)
                return invalid(QStringLiteral("seconds"));
            o.TimeoutOffsetSeconds = *s;
        } else if (name == u"probe.default-timeout") {
            const auto s = ParseDurationSeconds(value);
            if (!s || *s <= 0 || *s > 3600)
                return invalid(QStringLiteral("a duration above 0 and up to 1h"));
            o.DefaultTimeoutSeconds = *s;
        } else if (name == u"probe.keep-connection") {
            const auto s = ParseDurationSeconds(value);
            if (!s || *s > 86400)
                return invalid(QStringLiteral("a duration up to 24h (0: off)"));
            o.KeepConnectionMs = static_cast<int>(std::lround(*s * 1000));
        } else if (name == u"log.level") {
            const QStringList levels{"debug", "info", "warn", "error"};
            if (!levels.contains(value))
                return invalid(levels.join(u'|'));
            o.LogLevel = static_cast<TLogLevel>(levels.indexOf(value));
        } else if (name == u"log.format") {
            if (value != u"logfmt" && value != u"json")
                return invalid(QStringLiteral("logfmt|json"));
            o.LogFormat = value == u"json" ? TLogFormat::Json : TLogFormat::Logfmt;
        }
    }
    if (o.ListenAddresses.isEmpty())
        o.ListenAddresses << QStringLiteral(":%1").arg(DefaultExporterPort);
    QString why;
    const auto allow = TAllowList::Parse(allowSet ? allowText : TAllowList::Default, &why);
    if (!allow)
        return Bad(why);
    o.Allow = *allow;
    return line;
}

QString ExporterHelpText()
{
    return QStringLiteral(
               "usage: zvk_exporter [<flags>]\n"
               "\n"
               "Prometheus exporter for ZVK network thermometers (multi-target: /probe?target=).\n"
               "\n"
               "Flags:\n"
               "  -h, --help                 Show this help and exit.\n"
               "      --version              Show the version and exit.\n"
               "      --web.listen-address=:%1 ...\n"
               "                             Address to listen on; repeatable.\n"
               "      --web.telemetry-path=\"/metrics\"\n"
               "                             Path under which the exporter's own metrics are.\n"
               "      --web.config.file=\"\"   Web configuration (TLS, basic auth) in the\n"
               "                             Prometheus web-configuration format; SIGHUP re-reads "
               "it.\n"
               "      --web.max-requests=40  Requests served at once; more get HTTP 503.\n"
               "      --probe.allow=LIST     Targets that may be probed: addresses, CIDR ranges,\n"
               "                             host names, each optionally with :PORT; repeatable.\n"
               "                             Default: loopback, 10/8, 172.16/12, 192.168/16,\n"
               "                             169.254/16, fe80::/10, fc00::/7.\n"
               "      --probe.timeout-offset=0.5\n"
               "                             Seconds subtracted from Prometheus' scrape timeout.\n"
               "      --probe.default-timeout=5s\n"
               "                             Deadline of a probe without Prometheus' header.\n"
               "      --probe.keep-connection=0s\n"
               "                             Keep each thermometer's connection open this long\n"
               "                             after its last probe (0: connect per probe).\n"
               "      --log.level=info       debug, info, warn or error.\n"
               "      --log.format=logfmt    logfmt or json, to standard error.\n")
        .arg(DefaultExporterPort);
}
