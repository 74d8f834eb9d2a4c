#include "ReadingLine.h"

#include "ProbeResult.h"
#include "ReadingValue.h"

namespace {
bool IsControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Text and csv keep one line per reading: control characters become U+FFFD.
QString WithoutControls(QString text)
{
    for (QChar& c : text)
        if (IsControl(c.unicode()))
            c = QChar(0xFFFD);
    return text;
}

// What the window's title shows: a window text ends at its first NUL.
QString UpToFirstNul(const QString& reading)
{
    const qsizetype nul = reading.indexOf(QChar(u'\0'));
    return nul < 0 ? reading : reading.left(nul);
}

// RFC 4180: a field holding a comma, a double quote, CR or LF is quoted, quotes doubled.
QString CsvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') &&
        !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString JsonString(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += u'\\';
            out += c;
        } else if (u == u'\n') {
            out += QStringLiteral("\\n");
        } else if (u == u'\r') {
            out += QStringLiteral("\\r");
        } else if (u == u'\t') {
            out += QStringLiteral("\\t");
        } else if (IsControl(u) || u == 0x2028 || u == 0x2029) {
            out += QStringLiteral("\\u%1").arg(static_cast<int>(u), 4, 16, QChar(u'0'));
        } else {
            out += c;
        }
    }
    return out + u'"';
}
} // namespace

QByteArray HeaderLine(TOutputFormat format)
{
    return format == TOutputFormat::Csv ? QByteArrayLiteral("time,value,raw\n") : QByteArray();
}

QString IsoTimeWithOffset(const QDateTime& time)
{
    const int offset = time.offsetFromUtc() / 60;
    const int magnitude = offset < 0 ? -offset : offset;
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(magnitude / 60, 2, 10, QChar(u'0'))
               .arg(magnitude % 60, 2, 10, QChar(u'0'));
}

QByteArray ReadingLine(TOutputFormat format, const QDateTime& time, const QString& reading)
{
    const QString raw = RawReadingText(reading);
    const QString number = PlainNumber(raw);
    QString line;
    switch (format) {
    case TOutputFormat::Text:
        line = WithoutControls(UpToFirstNul(reading));
        break;
    case TOutputFormat::Csv:
        line = IsoTimeWithOffset(time) + u',' + number + u',' + CsvField(WithoutControls(raw));
        break;
    case TOutputFormat::Prometheus:
        return ReadingMetricsText(ReadingCelsius(reading));
    case TOutputFormat::Jsonl:
        line = QStringLiteral("{\"time\":") + JsonString(IsoTimeWithOffset(time)) +
               QStringLiteral(",\"value\":") +
               (number.isEmpty() ? QStringLiteral("null") : number) + QStringLiteral(",\"raw\":") +
               JsonString(raw) + u'}';
        break;
    }
    return line.toUtf8() + '\n';
}

QByteArray FailedReadingText()
{
    return ReadingMetricsText(std::nullopt);
}
