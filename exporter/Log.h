#pragma once

#include "ExporterOptions.h"

#include <QList>
#include <QPair>
#include <QString>
#include <cstdio>

// Log lines to standard error in logfmt or JSON, as Prometheus' own programs write them.
class TLog {
public:
    using TFields = QList<QPair<QString, QString>>;
    TLog(TLogLevel level, TLogFormat format, std::FILE* out = stderr)
        : FLevel(level), FFormat(format), FOut(out)
    {
    }
    bool Writes(TLogLevel level) const { return level >= FLevel; }
    void Write(TLogLevel level, const QString& message, const TFields& fields = {}) const;
    // The line without its time, for tests.
    QByteArray Line(TLogLevel level, const QString& message, const TFields& fields,
                    const QString& time) const;

private:
    TLogLevel FLevel;
    TLogFormat FFormat;
    std::FILE* FOut;
};
