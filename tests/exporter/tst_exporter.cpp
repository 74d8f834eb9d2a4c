// zvk_exporter as Prometheus meets it: HTTP answers, probes against the simulator and loopback
// peers, the deadline, the allow-list, the request cap, TLS and basic auth, signals.
#include "ExporterProcess.h"
#include "LoopbackPeer.h"
#include "Simulator.h"

#include <QTemporaryDir>
#include <crypt.h>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
QString ProbePath(int port, const QString& extra = {})
{
    return QStringLiteral("/probe?target=127.0.0.1:%1%2").arg(port).arg(extra);
}

// Requests the exporter is serving, this one included.
double InFlight(const TExporterProcess& exporter)
{
    return SampleValue(CurlGet(exporter.Url("/metrics")).Body, "zvk_exporter_requests_in_flight")
        .value_or(0);
}

bool Run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(30000) && p.exitCode() == 0;
}
} // namespace

class TestExporter : public QObject {
    Q_OBJECT
private slots:
    void probeReadsThermometer();
    void probeFailures_data();
    void probeFailures();
    void silentThermometerAnswersBeforeDeadline();
    void badRequests_data();
    void badRequests();
    void notAllowedTargetIsNeverConnected();
    void checkedNameIsNotResolvedAgain();
    void debugShowsLogThenMetrics();
    void connectionPerProbe();
    void keptConnectionServesFreshFramesOnly();
    void keptConnectionLogsAndExpires();
    void requestCap();
    void idleAndSlowClientsDoNotHoldProbes();
    void tlsAndBasicAuth();
    void termEndsCleanly();
};

void TestExporter::probeReadsThermometer()
{
    TSimulator sim;
    QVERIFY(sim.Start({"--value", "21.5", "--interval", "100"}));
    TExporterProcess exporter;
    QVERIFY(exporter.Start({}));
    const THttpResult r = CurlGet(exporter.Url(ProbePath(sim.Port())),
                                  {"-H", "X-Prometheus-Scrape-Timeout-Seconds: 3"});
    QCOMPARE(r.Status, 200);
    QCOMPARE(r.ContentType, QByteArray("text/plain; version=0.0.4; charset=utf-8"));
    QCOMPARE(SampleValue(r.Body, "zvk_up"), 1.0);
    QCOMPARE(SampleValue(r.Body, "zvk_temperature_celsius"), 21.5);
    QCOMPARE(SampleValue(r.Body, "zvk_scrape_timeout_seconds"), 2.5);
    QVERIFY(*SampleValue(r.Body, "zvk_scrape_duration_seconds") < 2.5);
    QCOMPARE(PromtoolComplaints(r.Body), QString());

    const THttpResult own = CurlGet(exporter.Url("/metrics"));
    QCOMPARE(own.Status, 200);
    QCOMPARE(own.ContentType, QByteArray("text/plain; version=0.0.4; charset=utf-8"));
    QCOMPARE(PromtoolComplaints(own.Body), QString());
    QCOMPARE(SampleValue(own.Body, "zvk_exporter_probes_total"), 1.0);
    QVERIFY(own.Body.contains("zvk_exporter_build_info{version=\""));
    QVERIFY(SampleValue(own.Body, "process_cpu_seconds_total").value_or(-1) >= 0);
    for (const char* name :
         {"process_resident_memory_bytes", "process_open_fds", "process_start_time_seconds"})
        QVERIFY2(SampleValue(own.Body, name).value_or(-1) > 0, name);
    // Each series once.
    QStringList series;
    for (const QByteArray& line : own.Body.split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            series << QString::fromUtf8(line.left(line.lastIndexOf(' ')));
    QCOMPARE(series.removeDuplicates(), 0);

    const THttpResult landing = CurlGet(exporter.Url("/"));
    QCOMPARE(landing.Status, 200);
    QVERIFY(landing.Body.contains("href=\"metrics\""));
    QVERIFY(landing.Body.contains("href=\"-/healthy\""));
    const THttpResult healthy = CurlGet(exporter.Url("/-/healthy"));
    QCOMPARE(healthy.Status, 200);
    QCOMPARE(healthy.Body, QByteArray("Healthy"));
}

void TestExporter::probeFailures_data()
{
    QTest::addColumn<QStringList>("simulator"); // empty: a refusing port
    QTest::addColumn<QByteArray>("reason");
    QTest::addColumn<QString>("host");
    QTest::newRow("refused") << QStringList{} << QByteArray("refused") << "127.0.0.1";
    QTest::newRow("unresolvable name")
        << QStringList{} << QByteArray("resolve") << "thermometer.invalid";
    QTest::newRow("not a B frame")
        << QStringList{"--bytes", "*A1E1+025.6\\r\\n"} << QByteArray("bad_frame") << "127.0.0.1";
    QTest::newRow("no number") << QStringList{"--bytes", "*B1E1+0x5.6\\r\\n"}
                               << QByteArray("bad_frame") << "127.0.0.1";
    QTest::newRow("closed") << QStringList{"--silent", "--frames", "0"} << QByteArray("closed")
                            << "127.0.0.1";
}

void TestExporter::probeFailures()
{
    QFETCH(QStringList, simulator);
    QFETCH(QByteArray, reason);
    QFETCH(QString, host);
    TSimulator sim;
    RefusingPort refusing;
    int port = refusing.Port();
    if (!simulator.isEmpty()) {
        QVERIFY(sim.Start(simulator));
        port = sim.Port();
    }
    TExporterProcess exporter;
    QVERIFY(exporter.Start({}));
    const THttpResult r =
        CurlGet(exporter.Url(QStringLiteral("/probe?target=%1:%2").arg(host).arg(port)));
    QCOMPARE(r.Status, 200);
    QCOMPARE(SampleValue(r.Body, "zvk_up"), 0.0);
    QVERIFY(!r.Body.contains("zvk_temperature_celsius"));
    QVERIFY2(*SampleValue(r.Body, "zvk_scrape_duration_seconds") < 4.5, r.Body.constData());
    const THttpResult own = CurlGet(exporter.Url("/metrics"));
    QVERIFY2(own.Body.contains("zvk_exporter_probe_failures_total{reason=\"" + reason + "\"} 1\n"),
             own.Body.constData());
}

void TestExporter::silentThermometerAnswersBeforeDeadline()
{
    TSimulator silent;
    QVERIFY(silent.Start({"--silent"}));
    SilentPeer unanswered; // connect never completes
    QVERIFY(unanswered.Ready());
    TExporterProcess exporter;
    QVERIFY(exporter.Start({}));
    for (const int port : {silent.Port(), unanswered.Port()}) {
        QElapsedTimer took;
        took.start();
        const THttpResult r = CurlGet(exporter.Url(ProbePath(port)),
                                      {"-H", "X-Prometheus-Scrape-Timeout-Seconds: 1.5"});
        QCOMPARE(r.Status, 200);
        QVERIFY2(took.elapsed() < 1500, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(SampleValue(r.Body, "zvk_up"), 0.0);
        QCOMPARE(SampleValue(r.Body, "zvk_scrape_timeout_seconds"), 1.0);
        QVERIFY(*SampleValue(r.Body, "zvk_scrape_duration_seconds") >= 0.9);
    }
    const THttpResult own = CurlGet(exporter.Url("/metrics"));
    QVERIFY(own.Body.contains("zvk_exporter_probe_failures_total{reason=\"timeout\"} 2\n"));
}

void TestExporter::badRequests_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("curl");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("no target") << "/probe" << QStringList{} << 400 << QByteArray("target");
    QTest::newRow("empty target") << "/probe?target=" << QStringList{} << 400
                                  << QByteArray("target");
    QTest::newRow("port zero") << "/probe?target=127.0.0.1:0" << QStringList{} << 400
                               << QByteArray("127.0.0.1:0");
    QTest::newRow("unbracketed v6 port")
        << "/probe?target=fe80::1:10001" << QStringList{} << 400 << QByteArray("fe80::1:10001");
    QTest::newRow("bad timeout header")
        << "/probe?target=127.0.0.1" << QStringList{"-H", "X-Prometheus-Scrape-Timeout-Seconds: x"}
        << 400 << QByteArray("X-Prometheus-Scrape-Timeout-Seconds");
    QTest::newRow("public target")
        << "/probe?target=198.51.100.7" << QStringList{} << 403 << QByteArray("allow-list");
    QTest::newRow("unknown path") << "/nothing" << QStringList{} << 404 << QByteArray();
    QTest::newRow("post") << "/metrics" << QStringList{"-X", "POST"} << 405 << QByteArray();
}

void TestExporter::badRequests()
{
    QFETCH(QString, path);
    QFETCH(QStringList, curl);
    QFETCH(int, status);
    QFETCH(QByteArray, reason);
    TExporterProcess exporter;
    QVERIFY(exporter.Start({}));
    const THttpResult r = CurlGet(exporter.Url(path), curl);
    QCOMPARE(r.Status, status);
    QVERIFY2(r.Body.contains(reason), r.Body.constData());
    QCOMPARE(r.Body.count('\n'), 1); // one line
}

void TestExporter::notAllowedTargetIsNeverConnected()
{
    LoopbackListener device;
    TExporterProcess exporter;
    QVERIFY(exporter.Start({"--probe.allow=127.0.0.2/32,localhost:1"}));
    for (const QString& host : {QStringLiteral("127.0.0.1"), QStringLiteral("localhost"),
                                QStringLiteral("[::ffff:127.0.0.1]")}) {
        const THttpResult r = CurlGet(
            exporter.Url(QStringLiteral("/probe?target=%1:%2").arg(host).arg(device.Port())));
        QCOMPARE(r.Status, 403);
        QVERIFY2(r.Body.contains("allow-list"), r.Body.constData());
    }
    QCOMPARE(CurlGet(exporter.Url("/metrics")).Status, 200);
    QCOMPARE(device.Accept(200), -1);
}

void TestExporter::checkedNameIsNotResolvedAgain()
{
    // The connection goes to the address the allow-list passed, not to a second lookup's.
    RefusingPort device;
    TExporterProcess exporter;
    QVERIFY(exporter.Start({}));
    const THttpResult r = CurlGet(
        exporter.Url(QStringLiteral("/probe?target=localhost:%1&debug=true").arg(device.Port())));
    QCOMPARE(r.Status, 200);
    QVERIFY2(r.Body.contains("resolved localhost to ") && r.Body.contains("connecting to "),
             r.Body.constData());
    QCOMPARE(r.Body.count("resolving localhost"), 1); // the allow-list's own lookup
}

void TestExporter::debugShowsLogThenMetrics()
{
    TSimulator sim;
    QVERIFY(sim.Start({"--value", "-3.5", "--interval", "100"}));
    TExporterProcess exporter;
    QVERIFY(exporter.Start({}));
    const THttpResult r = CurlGet(exporter.Url(ProbePath(sim.Port(), "&debug=true")));
    QCOMPARE(r.Status, 200);
    QVERIFY(r.ContentType.startsWith("text/plain; charset=utf-8"));
    QVERIFY(r.Body.startsWith("Probe log:\n"));
    QVERIFY2(r.Body.contains("connect"), r.Body.constData());
    QVERIFY(r.Body.contains("Probe succeeded\n"));
    QVERIFY(r.Body.endsWith("\n"));
    QVERIFY(r.Body.indexOf("connect") < r.Body.indexOf("# HELP zvk_up"));
    QCOMPARE(SampleValue(r.Body.mid(r.Body.indexOf("# HELP")), "zvk_temperature_celsius"), -3.5);
}

void TestExporter::connectionPerProbe()
{
    LoopbackListener device;
    TExporterProcess exporter;
    QVERIFY(exporter.Start({}));
    for (const QByteArray value : {"+021.0", "+022.0"}) {
        QProcess curl;
        curl.start("curl", {"-s", exporter.Url(ProbePath(device.Port()))});
        const int fd = device.Accept(5000);
        QVERIFY(fd >= 0);
        QVERIFY(SendAll(fd, "*B1E1" + value + "\r\n"));
        QVERIFY(curl.waitForFinished(5000));
        QCOMPARE(SampleValue(curl.readAllStandardOutput(), "zvk_temperature_celsius"),
                 value.toDouble());
        // The exporter closed its end: the device sees the end of the stream.
        char byte = 0;
        QCOMPARE(::recv(fd, &byte, 1, 0), 0);
    }
}

void TestExporter::keptConnectionServesFreshFramesOnly()
{
    LoopbackListener device;
    TExporterProcess exporter;
    QVERIFY(exporter.Start({"--probe.keep-connection=10s"}));
    const QString url = exporter.Url(ProbePath(device.Port()));
    // Two overlapping probes: one connection, one frame for both.
    QProcess first, second;
    first.start("curl", {"-s", url});
    const int fd = device.Accept(5000);
    QVERIFY(fd >= 0);
    second.start("curl", {"-s", url});
    QVERIFY(second.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(InFlight(exporter) >= 3, 5000); // both probes and this request
    QVERIFY(SendAll(fd, "*B1E1+030.5\r\n"));
    QVERIFY(first.waitForFinished(5000) && second.waitForFinished(5000));
    QCOMPARE(SampleValue(first.readAllStandardOutput(), "zvk_temperature_celsius"), 30.5);
    QCOMPARE(SampleValue(second.readAllStandardOutput(), "zvk_temperature_celsius"), 30.5);

    // The newest frame sent between probes answers the next probe at once, on the same
    // connection.
    QVERIFY(SendAll(fd, "*B1E1+031.0\r\n"));
    QVERIFY(SendAll(fd, "*B1E1+031.5\r\n"));
    THttpResult r = CurlGet(url, {"-H", "X-Prometheus-Scrape-Timeout-Seconds: 2"});
    QCOMPARE(SampleValue(r.Body, "zvk_temperature_celsius"), 31.5);
    // Nothing new since: the next probe is not given the same frame again.
    r = CurlGet(url, {"-H", "X-Prometheus-Scrape-Timeout-Seconds: 1"});
    QCOMPARE(SampleValue(r.Body, "zvk_up"), 0.0);
    QVERIFY(!r.Body.contains("zvk_temperature_celsius"));
    QCOMPARE(device.Accept(100), -1);
}

void TestExporter::keptConnectionLogsAndExpires()
{
    LoopbackListener device;
    TExporterProcess exporter;
    QVERIFY(exporter.Start({"--probe.keep-connection=1s"}));
    const QString url = exporter.Url(ProbePath(device.Port()));
    QProcess first;
    first.start("curl", {"-s", url});
    const int fd = device.Accept(5000);
    QVERIFY(fd >= 0);
    QVERIFY(SendAll(fd, "*B1E1+030.5\r\n"));
    QVERIFY(first.waitForFinished(5000));
    // A debug probe on the idle kept connection still shows the frame it was answered from.
    QVERIFY(SendAll(fd, "*B1E1+032.0\r\n"));
    const THttpResult r = CurlGet(url + "&debug=true");
    QVERIFY2(r.Body.contains("frame *B1E1+032.0\\r: reading 32.0"), r.Body.constData());
    // Unprobed for a second, the session ends: the device sees the end of the stream.
    pollfd end{fd, POLLIN, 0};
    QCOMPARE(::poll(&end, 1, 5000), 1);
    char byte = 0;
    QCOMPARE(::recv(fd, &byte, 1, 0), 0);
    QCOMPARE(device.Accept(100), -1);
}

void TestExporter::requestCap()
{
    TSimulator silent;
    QVERIFY(silent.Start({"--silent"}));
    TExporterProcess exporter;
    QVERIFY(exporter.Start({"--web.max-requests=1"}));
    QProcess waiting;
    waiting.start("curl", {"-s", "-H", "X-Prometheus-Scrape-Timeout-Seconds: 2.5",
                           exporter.Url(ProbePath(silent.Port()))});
    QVERIFY(waiting.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(CurlGet(exporter.Url("/metrics")).Status == 503, 1500);
    QVERIFY(waiting.waitForFinished(5000));
    QCOMPARE(CurlGet(exporter.Url("/metrics")).Status, 200);
}

void TestExporter::idleAndSlowClientsDoNotHoldProbes()
{
    TSimulator sim;
    QVERIFY(sim.Start({"--value", "19.5", "--interval", "100"}));
    TExporterProcess exporter;
    QVERIFY(exporter.Start({}));
    static const char Partial[] = "GET /metrics HTTP/1.1\r\nHost: x\r\n";
    std::vector<int> clients;
    const auto closeAll = qScopeGuard([&] {
        for (const int fd : clients)
            ::close(fd);
    });
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(exporter.Port()));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < 300; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0);
        clients.push_back(fd);
        if (i % 2 == 0) // half of them start a request and never end its headers
            QVERIFY(::send(fd, Partial, sizeof Partial - 1, 0) == sizeof Partial - 1);
    }
    const THttpResult r = CurlGet(exporter.Url(ProbePath(sim.Port())));
    QCOMPARE(r.Status, 200);
    QCOMPARE(SampleValue(r.Body, "zvk_temperature_celsius"), 19.5);
    // What one request may send is bounded.
    const THttpResult big =
        CurlGet(exporter.Url("/metrics"), {"-H", "X-Big: " + QString(40000, u'a')});
    QCOMPARE(big.Status, 431);
}

void TestExporter::tlsAndBasicAuth()
{
    QTemporaryDir dir;
    const auto makeCertificate = [&](const QString& name) {
        return Run("openssl",
                   {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                    "/CN=" + name, "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                    dir.filePath(name + ".key"), "-out", dir.filePath(name + ".pem")});
    };
    QVERIFY(makeCertificate("first") && makeCertificate("second"));
    char salt[64];
    QVERIFY(crypt_gensalt_rn("$2b$", 5, nullptr, 0, salt, sizeof salt));
    crypt_data data{};
    const QByteArray hash = crypt_r("s3cret", salt, &data);
    QVERIFY(hash.startsWith("$2b$05$"));
    QFile config(dir.filePath("web.yml"));
    const auto writeConfig = [&](const QByteArray& certificate, const QByteArray& user) {
        QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
        config.write("tls_server_config:\n  cert_file: " + certificate + ".pem\n  key_file: " +
                     certificate + ".key\nbasic_auth_users:\n  " + user + ": " + hash + "\n");
        config.close();
    };
    writeConfig("first", "prom");
    LoopbackListener device;
    TExporterProcess exporter;
    QVERIFY(exporter.Start({"--web.config.file", config.fileName()}, "https"));
    const QStringList first{"--cacert", dir.filePath("first.pem")};
    const QStringList second{"--cacert", dir.filePath("second.pem")};
    const QString probe = exporter.Url(ProbePath(device.Port()));
    const QString metrics = exporter.Url("/metrics");
    QCOMPARE(CurlGet(metrics, first + QStringList{"-u", "prom:s3cret"}).Status, 200);
    QCOMPARE(CurlGet(metrics, first + QStringList{"-u", "prom:wrong"}).Status, 401);
    QCOMPARE(CurlGet(probe, first + QStringList{"-u", "prom:wrong"}).Status, 401);
    QCOMPARE(CurlGet(probe, first).Status, 401);
    QCOMPARE(device.Accept(100), -1); // nothing probed
    QCOMPARE(CurlGet(QString(probe).replace("https:", "http:")).Status, 0);

    // SIGHUP re-reads the users, the certificate and the key.
    writeConfig("second", "other");
    ::kill(static_cast<pid_t>(exporter.Process().processId()), SIGHUP);
    QTRY_VERIFY_WITH_TIMEOUT(exporter.Log().contains("re-read"), 5000);
    QCOMPARE(CurlGet(metrics, second + QStringList{"-u", "prom:s3cret"}).Status, 401);
    QCOMPARE(CurlGet(metrics, second + QStringList{"-u", "other:s3cret"}).Status, 200);
    QCOMPARE(CurlGet(metrics, first + QStringList{"-u", "other:s3cret"}).Status, 0);
}

void TestExporter::termEndsCleanly()
{
    TSimulator silent;
    QVERIFY(silent.Start({"--silent"}));
    TExporterProcess exporter;
    QVERIFY(exporter.Start({}));
    QProcess waiting; // a probe still waiting for its device
    waiting.start("curl", {"-s", "-o", "/dev/null", "-w", "%{http_code}",
                           exporter.Url(ProbePath(silent.Port()))});
    QVERIFY(waiting.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(InFlight(exporter) >= 2, 4000);
    exporter.Process().terminate();
    QVERIFY(exporter.Process().waitForFinished(5000));
    QCOMPARE(exporter.Process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(exporter.Process().exitCode(), 0);
    QVERIFY(waiting.waitForFinished(5000));
    QCOMPARE(waiting.readAllStandardOutput(), QByteArray("503"));
}

QTEST_GUILESS_MAIN(TestExporter)
#include "tst_exporter.moc"
