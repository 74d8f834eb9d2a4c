// The exporter's parts that need no network: exposition text, deadline, allow-list, flags, log.
#include "AllowList.h"
#include "ExporterOptions.h"
#include "Exposition.h"
#include "Log.h"
#include "ProbeResult.h"

#include <QtTest>
#include <cmath>

class TestExporterUnits : public QObject {
    Q_OBJECT
private slots:
    void labelAndHelpEscaping();
    void values_data();
    void values();
    void probeMetrics();
    void debugText();
    void deadline_data();
    void deadline();
    void allowList_data();
    void allowList();
    void badAllowEntries_data();
    void badAllowEntries();
    void flags_data();
    void flags();
    void logLines();
};

void TestExporterUnits::labelAndHelpEscaping()
{
    TExposition e;
    e.Family("x_info", "gauge", "a \\ b\nc \"q\"");
    e.Sample(1, {{"a", "back\\slash \"quoted\"\nline"}, {"b", "ünï"}});
    QCOMPARE(e.Text(),
             QByteArray("# HELP x_info a \\\\ b\\nc \"q\"\n"
                        "# TYPE x_info gauge\n"
                        "x_info{a=\"back\\\\slash \\\"quoted\\\"\\nline\",b=\"ünï\"} 1\n"));
}

void TestExporterUnits::values_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("reading") << 25.6 << QByteArray("25.6");
    QTest::newRow("negative") << -3.2 << QByteArray("-3.2");
    QTest::newRow("whole") << 22.0 << QByteArray("22");
    QTest::newRow("tiny") << 1e-7 << QByteArray("1e-07");
    QTest::newRow("nan") << std::nan("") << QByteArray("NaN");
    QTest::newRow("+inf") << HUGE_VAL << QByteArray("+Inf");
    QTest::newRow("-inf") << -HUGE_VAL << QByteArray("-Inf");
}

void TestExporterUnits::values()
{
    QFETCH(double, value);
    QFETCH(QByteArray, text);
    QCOMPARE(TExposition::FormatValue(value), text);
}

void TestExporterUnits::probeMetrics()
{
    TProbeResult up;
    up.Celsius = 21.5;
    up.DurationSeconds = 0.25;
    up.TimeoutSeconds = 9.5;
    const QByteArray text = ProbeMetricsText(up);
    QVERIFY(text.contains("\nzvk_up 1\n"));
    QVERIFY(text.contains("\nzvk_temperature_celsius 21.5\n"));
    QVERIFY(text.contains("\nzvk_scrape_duration_seconds 0.25\n"));
    QVERIFY(text.contains("\nzvk_scrape_timeout_seconds 9.5\n"));
    QVERIFY(text.endsWith('\n'));
    // Each family once, HELP before TYPE before the sample.
    for (const char* name : {"zvk_up", "zvk_temperature_celsius", "zvk_scrape_duration_seconds",
                             "zvk_scrape_timeout_seconds"}) {
        const QByteArray n(name);
        QCOMPARE(text.count("# HELP " + n + ' '), 1);
        QVERIFY(text.indexOf("# HELP " + n + ' ') < text.indexOf("# TYPE " + n + ' '));
        QVERIFY(text.indexOf("# TYPE " + n + ' ') < text.indexOf('\n' + n + ' '));
    }

    TProbeResult down = up;
    down.Celsius.reset();
    down.FailureReason = "timeout";
    const QByteArray failed = ProbeMetricsText(down);
    QVERIFY(failed.contains("\nzvk_up 0\n"));
    QVERIFY(!failed.contains("temperature"));
    QVERIFY(!failed.contains("NaN"));
}

void TestExporterUnits::debugText()
{
    TProbeResult r;
    r.FailureReason = "refused";
    r.Log << "connecting to 127.0.0.1:9"
          << "two\nlines";
    const QByteArray text = ProbeDebugText(r);
    QVERIFY(text.startsWith("Probe log:\nconnecting to 127.0.0.1:9\ntwo lines\n"));
    QVERIFY(text.contains("Probe failed: refused\n"));
    QVERIFY(text.endsWith(ProbeMetricsText(r)));
}

void TestExporterUnits::deadline_data()
{
    QTest::addColumn<QByteArray>("header"); // "-" for none
    QTest::addColumn<double>("expected");   // -1: refused
    QTest::newRow("no header: default") << QByteArray("-") << 5.0;
    QTest::newRow("prometheus 10 s") << QByteArray("10") << 9.5;
    QTest::newRow("fraction") << QByteArray("1.5") << 1.0;
    QTest::newRow("offset eats it: half") << QByteArray("0.4") << 0.2;
    QTest::newRow("zero") << QByteArray("0") << -1.0;
    QTest::newRow("negative") << QByteArray("-3") << -1.0;
    QTest::newRow("text") << QByteArray("soon") << -1.0;
    QTest::newRow("nan") << QByteArray("nan") << -1.0;
    QTest::newRow("inf") << QByteArray("inf") << -1.0;
}

void TestExporterUnits::deadline()
{
    QFETCH(QByteArray, header);
    QFETCH(double, expected);
    QString why;
    const auto seconds =
        ProbeTimeoutSeconds(header == "-" ? std::nullopt : std::optional(header), 0.5, 5, &why);
    if (expected < 0) {
        QVERIFY(!seconds);
        QVERIFY(why.contains("X-Prometheus-Scrape-Timeout-Seconds"));
    } else {
        QVERIFY(seconds);
        QCOMPARE(*seconds, expected);
    }
}

void TestExporterUnits::allowList_data()
{
    QTest::addColumn<QString>("list"); // empty: the default
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("loopback") << ""
                              << "127.0.0.1" << 10001 << true;
    QTest::newRow("loopback v6") << ""
                                 << "::1" << 10001 << true;
    QTest::newRow("10/8") << ""
                          << "10.200.3.4" << 10001 << true;
    QTest::newRow("172.16/12 top") << ""
                                   << "172.31.255.255" << 10001 << true;
    QTest::newRow("172.32 outside") << ""
                                    << "172.32.0.1" << 10001 << false;
    QTest::newRow("192.168") << ""
                             << "192.168.1.254" << 10001 << true;
    QTest::newRow("link-local") << ""
                                << "169.254.9.9" << 10001 << true;
    QTest::newRow("fe80::/10") << ""
                               << "fe80::1" << 10001 << true;
    QTest::newRow("fc00::/7") << ""
                              << "fd12::5" << 10001 << true;
    QTest::newRow("public v4") << ""
                               << "8.8.8.8" << 10001 << false;
    QTest::newRow("public v6") << ""
                               << "2001:db8::1" << 10001 << false;
    QTest::newRow("mapped private") << ""
                                    << "::ffff:10.1.2.3" << 10001 << true;
    QTest::newRow("mapped public") << ""
                                   << "::ffff:8.8.8.8" << 10001 << false;
    QTest::newRow("port given, matches") << "192.0.2.7:10001"
                                         << "192.0.2.7" << 10001 << true;
    QTest::newRow("port given, other") << "192.0.2.7:10001"
                                       << "192.0.2.7" << 22 << false;
    QTest::newRow("range with port") << "192.0.2.0/24:10001"
                                     << "192.0.2.9" << 10001 << true;
    QTest::newRow("v6 range with port") << "[2001:db8::/32]:10001"
                                        << "2001:db8::9" << 10001 << true;
    QTest::newRow("v6 range, other port") << "[2001:db8::/32]:10001"
                                          << "2001:db8::9" << 23 << false;
    QTest::newRow("only the list given") << "192.0.2.7"
                                         << "127.0.0.1" << 10001 << false;
}

void TestExporterUnits::allowList()
{
    QFETCH(QString, list);
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(bool, allowed);
    const auto parsed = TAllowList::Parse(list.isEmpty() ? TAllowList::Default : list);
    QVERIFY(parsed);
    QCOMPARE(parsed->Allows(QHostAddress(address), static_cast<quint16>(port)), allowed);
}

void TestExporterUnits::badAllowEntries_data()
{
    QTest::addColumn<QString>("list");
    QTest::newRow("prefix too long") << "10.1.0.0/33";
    QTest::newRow("port zero") << "10.0.0.1:0";
    QTest::newRow("port text") << "10.0.0.1:x";
    QTest::newRow("unclosed bracket") << "[fe80::1";
    QTest::newRow("junk") << "thermo meter";
}

void TestExporterUnits::badAllowEntries()
{
    QFETCH(QString, list);
    QString why;
    QVERIFY(!TAllowList::Parse(list, &why));
    QVERIFY(why.contains(list.trimmed()));
}

void TestExporterUnits::flags_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error"); // empty: accepted
    QTest::newRow("both value forms")
        << QStringList{"--web.listen-address=127.0.0.1:1", "--web.listen-address", "[::1]:2",
                       "--probe.keep-connection", "1m30s"}
        << "";
    QTest::newRow("unknown flag") << QStringList{"--web.listen"} << "unknown flag --web.listen";
    QTest::newRow("missing value") << QStringList{"--log.level"} << "expected a value";
    QTest::newRow("bad level") << QStringList{"--log.level=loud"} << "invalid value 'loud'";
    QTest::newRow("bad duration") << QStringList{"--probe.default-timeout=5x"} << "invalid";
    QTest::newRow("zero timeout") << QStringList{"--probe.default-timeout=0"} << "invalid";
    QTest::newRow("max requests") << QStringList{"--web.max-requests=0"} << "invalid";
    QTest::newRow("bad allow") << QStringList{"--probe.allow=10.1.0.0/99"} << "allow-list";
    QTest::newRow("positional") << QStringList{"127.0.0.1"} << "unexpected argument";
}

void TestExporterUnits::flags()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    const TExporterCommandLine line = ParseExporterCommandLine(args);
    if (error.isEmpty()) {
        QCOMPARE(line.Do, TExporterCommandLine::Run);
        QCOMPARE(line.Options.ListenAddresses, QStringList({"127.0.0.1:1", "[::1]:2"}));
        QCOMPARE(line.Options.KeepConnectionMs, 90000);
    } else {
        QCOMPARE(line.Do, TExporterCommandLine::BadUsage);
        QVERIFY2(line.Error.contains(error), qPrintable(line.Error));
    }
    const TExporterCommandLine defaults = ParseExporterCommandLine({});
    QCOMPARE(defaults.Options.ListenAddresses,
             QStringList{QStringLiteral(":%1").arg(DefaultExporterPort)});
    QCOMPARE(defaults.Options.DefaultTimeoutSeconds, 5.0);
    QCOMPARE(defaults.Options.TimeoutOffsetSeconds, 0.5);
    QVERIFY(!defaults.Options.Allow.Allows(QHostAddress("8.8.8.8"), 10001));
}

void TestExporterUnits::logLines()
{
    const TLog logfmt(TLogLevel::Info, TLogFormat::Logfmt);
    QCOMPARE(
        logfmt.Line(TLogLevel::Warn, "Target refused", {{"target", "a b\"c"}, {"n", "1"}}, "T"),
        QByteArray("ts=T level=warn msg=\"Target refused\" target=\"a b\\\"c\" n=1\n"));
    const TLog json(TLogLevel::Info, TLogFormat::Json);
    QCOMPARE(json.Line(TLogLevel::Error, "x\"y", {{"k", "v"}}, "T"),
             QByteArray("{\"k\":\"v\",\"level\":\"error\",\"msg\":\"x\\\"y\",\"ts\":\"T\"}\n"));
}

QTEST_GUILESS_MAIN(TestExporterUnits)
#include "tst_exporterunits.moc"
