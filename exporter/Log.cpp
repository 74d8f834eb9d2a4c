#include "Log.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
const char* LevelName(TLogLevel level)
{
    switch (level) {
    case TLogLevel::Debug:
        return "debug";
    case TLogLevel::Info:
        return "info";
    case TLogLevel::Warn:
        return "warn";
    case TLogLevel::Error:
        break;
    }
    return "error";
}

QString LogfmtValue(const QString& value)
{
    bool quote = value.isEmpty();
    for (const QChar c : value)
        if (c == u' ' || c == u'=' || c == u'"' || c < u' ')
            quote = true;
    if (!quote)
        return value;
    QString out = QStringLiteral("\"");
    for (const QChar c : value) {
        if (c == u'"' || c == u'\\')
            out += u'\\';
        if (c == u'\n')
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out + u'"';
}
} // namespace

QByteArray TLog::Line(TLogLevel level, const QString& message, const TFields& fields,
                      const QString& time) const
{
    if (FFormat == TLogFormat::Json) {
        QJsonObject o{{"ts", time}, {"level", LevelName(level)}, {"msg", message}};
        for (const auto& [k, v] : fields)
            o.insert(k, v);
        return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    }
    QString line =
        QStringLiteral("ts=%1 level=%2 msg=%3").arg(time, LevelName(level), LogfmtValue(message));
    for (const auto& [k, v] : fields)
        line += u' ' + k + u'=' + LogfmtValue(v);
    return line.toUtf8() + '\n';
}

void TLog::Write(TLogLevel level, const QString& message, const TFields& fields) const
{
    if (!Writes(level))
        return;
    const QString time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    const QByteArray line = Line(level, message, fields, time);
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), FOut);
    std::fflush(FOut);
}
