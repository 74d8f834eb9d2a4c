#pragma once

#include "AllowList.h"

#include <QString>
#include <QStringList>
#include <optional>

enum class TLogLevel { Debug, Info, Warn, Error };
enum class TLogFormat { Logfmt, Json };

struct TExporterOptions {
    QStringList ListenAddresses;
    QString TelemetryPath = QStringLiteral("/metrics");
    QString WebConfigFile;
    int MaxRequests = 40;
    TAllowList Allow;
    double TimeoutOffsetSeconds = 0.5;
    double DefaultTimeoutSeconds = 5;
    int KeepConnectionMs = 0;
    TLogLevel LogLevel = TLogLevel::Info;
    TLogFormat LogFormat = TLogFormat::Logfmt;
};

constexpr int DefaultExporterPort = 10491;

struct TExporterCommandLine {
    enum Action { Run, Help, Version, BadUsage };
    Action Do = Run;
    TExporterOptions Options;
    QString Error;
};

// Flags as Prometheus exporters take them: --name=value or --name value.
TExporterCommandLine ParseExporterCommandLine(const QStringList& arguments);
QString ExporterHelpText();

// Go-style durations ("5s", "1m30s", "250ms") or plain seconds ("2.5"), in seconds.
std::optional<double> ParseDurationSeconds(const QString& text);
