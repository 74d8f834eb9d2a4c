#include "ReadOptions.h"

#include <QCommandLineParser>
#include <QLocale>
#include <cmath>

namespace {
bool AllDigits(const QString& text)
{
    if (text.isEmpty() || text.size() > 12)
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// A whole number from min to max written with digits only, or -1.
qint64 WholeNumber(const QString& text, qint64 min, qint64 max)
{
    if (!AllDigits(text))
        return -1;
    const qint64 n = text.toLongLong();
    return n >= min && n <= max ? n : -1;
}

// Seconds as digits with an optional fraction ("1", "0.5", ".5"), in milliseconds, or -1.
int IntervalMs(const QString& text)
{
    const qsizetype dot = text.indexOf(u'.');
    const QString whole = dot < 0 ? text : text.left(dot);
    const QString fraction = dot < 0 ? QString() : text.mid(dot + 1);
    if ((!whole.isEmpty() && !AllDigits(whole)) || (dot >= 0 && !AllDigits(fraction)) ||
        (whole.isEmpty() && fraction.isEmpty()))
        return -1;
    bool ok = false;
    const double seconds = QLocale::c().toDouble(text, &ok);
    if (!ok || seconds < 0.05 || seconds > 86400)
        return -1;
    return static_cast<int>(std::lround(seconds * 1000));
}

TCommandLine Bad(const QString& error)
{
    TCommandLine line;
    line.Do = TCommandLine::BadUsage;
    line.Error = error;
    return line;
}
} // namespace

TCommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption format({"f", "format"}, QString(), "FORMAT");
    const QCommandLineOption count({"n", "count"}, QString(), "N");
    const QCommandLineOption interval({"i", "interval"}, QString(), "S");
    const QCommandLineOption timeout({"t", "timeout"}, QString(), "MS");
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({format, count, interval, timeout, help, version});
    if (!parser.parse(QStringList{QStringLiteral("zvkread")} + arguments))
        return Bad(parser.errorText());

    TCommandLine line;
    if (parser.isSet(help)) {
        line.Do = TCommandLine::Help;
        return line;
    }
    if (parser.isSet(version)) {
        line.Do = TCommandLine::Version;
        return line;
    }
    TReadOptions& o = line.Options;
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return Bad(QStringLiteral("missing HOST"));
    if (positional.size() > 2)
        return Bad(QStringLiteral("too many arguments: ") + positional.mid(2).join(u' '));
    o.Host = positional[0];
    if (positional.size() == 2) {
        const qint64 port = WholeNumber(positional[1], 1, 65535);
        if (port < 0)
            return Bad(QStringLiteral("invalid port '%1': a whole number from 1 to 65535 is "
                                      "required")
                           .arg(positional[1]));
        o.Port = static_cast<int>(port);
    }
    if (parser.isSet(format)) {
        const QString name = parser.value(format);
        if (name == u"text")
            o.Format = TOutputFormat::Text;
        else if (name == u"csv")
            o.Format = TOutputFormat::Csv;
        else if (name == u"jsonl")
            o.Format = TOutputFormat::Jsonl;
        else if (name == u"prometheus")
            o.Format = TOutputFormat::Prometheus;
        else
            return Bad(
                QStringLiteral("unknown format '%1': text, csv, jsonl or prometheus").arg(name));
    }
    if (parser.isSet(count)) {
        o.Count = WholeNumber(parser.value(count), 1, 999999999999);
        if (o.Count < 0)
            return Bad(QStringLiteral("invalid count '%1': a whole number from 1 up is required")
                           .arg(parser.value(count)));
    }
    if (o.Format == TOutputFormat::Prometheus) {
        // One exposition is one reading: a second one appended would repeat every series.
        if (o.Count > 1)
            return Bad(QStringLiteral("the prometheus format takes one reading: leave out "
                                      "--count or give 1"));
        o.Count = 1;
    }
    if (parser.isSet(interval)) {
        o.IntervalMs = IntervalMs(parser.value(interval));
        if (o.IntervalMs < 0)
            return Bad(QStringLiteral("invalid interval '%1': seconds from 0.05 to 86400 are "
                                      "required (\".\" for decimals)")
                           .arg(parser.value(interval)));
    }
    if (parser.isSet(timeout)) {
        // At most a minute: a stop signal is only seen once the connect is over.
        const qint64 ms = WholeNumber(parser.value(timeout), 1, 60000);
        if (ms < 0)
            return Bad(
                QStringLiteral("invalid timeout '%1': whole milliseconds from 1 to 60000 are "
                               "required")
                    .arg(parser.value(timeout)));
        o.TimeoutMs = static_cast<int>(ms);
    }
    return line;
}

QString UsageHint()
{
    return QStringLiteral("Usage: zvkread [options] HOST [PORT]\n"
                          "Try 'zvkread --help' for more information.\n");
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: zvkread [options] HOST [PORT]\n"
        "Reads a ZVK network thermometer and prints one line per reading.\n"
        "\n"
        "Connects to HOST (an IPv4 address or a host name) on TCP port PORT (default\n"
        "10001) within the connect time limit, then polls as the ZVK Demo window does:\n"
        "at once, then once per interval, it takes what the device has sent since the\n"
        "last poll (waiting up to 50 ms when nothing is there) and reads the first frame\n"
        "in it.\n"
        "\n"
        "Options:\n"
        "  -f, --format FORMAT  text (default), csv, jsonl or prometheus\n"
        "  -n, --count N        stop after N readings\n"
        "  -i, --interval S     seconds between polls (default 1; \".\" for decimals,\n"
        "                       from 0.05 to 86400)\n"
        "  -t, --timeout MS     connect time limit in milliseconds (default 2500, at\n"
        "                       most 60000)\n"
        "  -h, --help           show this text and exit\n"
        "      --version        show the version and exit\n"
        "\n"
        "Formats (UTF-8, one line per reading, each written out at once):\n"
        "  text   the reading as the window's title shows it: +022.0 \u00B0C\n"
        "  csv    a header line \"time,value,raw\", then for example\n"
        "         2026-12-08T14:05:09.250+01:00,22.0,+022.0\n"
        "  prometheus  one reading (--count 1) in the Prometheus text format, for\n"
        "         node_exporter's textfile collector: zvk_up 1 and zvk_temperature_celsius,\n"
        "         or zvk_up 0 alone when its value is not a number or no reading came\n"
        "  jsonl  "
        "{\"time\":\"2026-12-08T14:05:09.250+01:00\",\"value\":22.0,\"raw\":\"+022.0\"}\n"
        "  time is the local time with its offset from UTC; value is the reading as a\n"
        "  plain decimal number (\".\" for decimals, no \"+\", no leading zeros); raw is\n"
        "  the reading's text as the device sent it, from its sign, without \" \u00B0C\".\n"
        "  When that text is not a plain number (a field without a sign such as\n"
        "  \"1 025.6\", a NUL or other characters in it) value is empty in csv and null\n"
        "  in jsonl, and raw still holds the text. Control characters are written as\n"
        "  U+FFFD in text and csv (so each reading stays one line) and escaped in jsonl.\n"
        "  In text a NUL ends the reading, as it ends the window's title.\n"
        "\n"
        "Skipped, as the window skips them: a poll that received nothing, no \"*\", or\n"
        "fewer than six characters from the first \"*\" on; a frame whose second\n"
        "character is not \"B\" or that has no carriage return yet (the window shows\n"
        "\"-\" for these). Only the first frame of each poll is read.\n"
        "\n"
        "Exit status: 0 after N readings, when the device closes the connection, or on\n"
        "SIGINT or SIGTERM (one that comes during the connect takes effect when the\n"
        "connect is over); 1 when the connect fails or the connection is lost (the\n"
        "message goes to standard error on one line, each line break turned into one\n"
        "blank); 2 on bad usage.\n");
}
