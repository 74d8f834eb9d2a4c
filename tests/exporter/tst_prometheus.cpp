// Debian's Prometheus scraping zvk_exporter for three simulated thermometers and a dead one,
// configured with the example files the package ships.
#include "ExporterProcess.h"
#include "LoopbackPeer.h"
#include "Simulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

QByteArray Example(const char* name)
{
    QFile f(QStringLiteral(ZVK_EXAMPLES "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Promtool(const QStringList& args)
{
    QProcess p;
    p.start("promtool", args);
    p.waitForFinished(20000);
    if (p.exitCode() != 0)
        qWarning().noquote() << p.readAllStandardOutput() << p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// instance -> value of an instant query's vector result.
QHash<QString, double> Query(int port, const QString& query)
{
    const THttpResult r = CurlGet(QStringLiteral("http://127.0.0.1:%1/api/v1/query").arg(port),
                                  {"--data-urlencode", "query=" + query}, 5000);
    QHash<QString, double> values;
    const QJsonArray result = QJsonDocument::fromJson(r.Body)["data"]["result"].toArray();
    for (const QJsonValue& series : result)
        values.insert(series["metric"]["instance"].toString(),
                      series["value"][1].toString().toDouble());
    return values;
}
} // namespace

class TestPrometheus : public QObject {
    Q_OBJECT
private slots:
    void examplesPassPromtool();
    void prometheusScrapesThermometers();
};

void TestPrometheus::examplesPassPromtool()
{
    QTemporaryDir dir;
    QByteArray config = Example("prometheus.yml");
    config.replace("/usr/share/doc/prometheus-zvk-exporter/examples/", ZVK_EXAMPLES "/");
    config.replace("/etc/prometheus/", ZVK_EXAMPLES "/");
    QFile file(dir.filePath("prometheus.yml"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(config) > 0);
    file.close();
    QVERIFY(Promtool({"check", "config", file.fileName()}));
    QVERIFY(Promtool({"check", "rules", ZVK_EXAMPLES "/zvk-alerts.yml"}));
}

void TestPrometheus::prometheusScrapesThermometers()
{
    const QList<double> readings{20.5, 21.7, -4};
    std::vector<std::unique_ptr<TSimulator>> sims;
    for (const double value : readings) {
        sims.push_back(std::make_unique<TSimulator>());
        QVERIFY(sims.back()->Start({"--value", QString::number(value), "--interval", "200"}));
    }
    RefusingPort dead;
    TExporterProcess exporter;
    QVERIFY(exporter.Start({}));

    QTemporaryDir dir;
    QByteArray targets = "- targets:\n";
    for (const auto& sim : sims)
        targets += "    - 127.0.0.1:" + QByteArray::number(sim->Port()) + '\n';
    const QString deadInstance = QStringLiteral("127.0.0.1:%1").arg(dead.Port());
    targets += "    - " + deadInstance.toUtf8() + '\n';
    QFile targetFile(dir.filePath("targets.yml"));
    QVERIFY(targetFile.open(QIODevice::WriteOnly) && targetFile.write(targets) > 0);
    targetFile.close();
    QByteArray config = Example("prometheus.yml");
    config.replace("scrape_interval: 15s", "scrape_interval: 1s")
        .replace("scrape_timeout: 10s", "scrape_timeout: 1s")
        .replace("/usr/share/doc/prometheus-zvk-exporter/examples/", ZVK_EXAMPLES "/")
        .replace("/etc/prometheus/zvk-targets.yml", targetFile.fileName().toUtf8())
        .replace("localhost:10491", "127.0.0.1:" + QByteArray::number(exporter.Port()));
    QFile configFile(dir.filePath("prometheus.yml"));
    QVERIFY(configFile.open(QIODevice::WriteOnly) && configFile.write(config) > 0);
    configFile.close();

    const int port = FreePort();
    QProcess prometheus;
    prometheus.setProcessChannelMode(QProcess::MergedChannels);
    prometheus.start("prometheus", {"--config.file=" + configFile.fileName(),
                                    "--storage.tsdb.path=" + dir.filePath("data"),
                                    QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port),
                                    "--storage.tsdb.retention.time=1h"});
    QVERIFY(prometheus.waitForStarted(5000));
    const auto stop = qScopeGuard([&] {
        prometheus.terminate();
        if (!prometheus.waitForFinished(10000))
            prometheus.kill();
    });

    QHash<QString, double> temperatures, zvkUp, up;
    const auto complete = [&] {
        temperatures = Query(port, "zvk_temperature_celsius{job=\"zvk\"}");
        zvkUp = Query(port, "zvk_up{job=\"zvk\"}");
        up = Query(port, "up{job=\"zvk\"}");
        return temperatures.size() == 3 && zvkUp.size() == 4 && up.size() == 4;
    };
    QElapsedTimer waited;
    waited.start();
    while (!complete() && waited.elapsed() < 30000 && prometheus.state() == QProcess::Running)
        QTest::qWait(250);
    QVERIFY2(complete(), prometheus.readAll().right(2000).constData());
    for (std::size_t i = 0; i < sims.size(); ++i) {
        const QString instance = QStringLiteral("127.0.0.1:%1").arg(sims[i]->Port());
        QCOMPARE(temperatures.value(instance, -1000), readings[static_cast<qsizetype>(i)]);
        QCOMPARE(zvkUp.value(instance), 1.0);
        QCOMPARE(up.value(instance), 1.0);
    }
    QVERIFY(!temperatures.contains(deadInstance));
    QCOMPARE(zvkUp.value(deadInstance, -1), 0.0);
    QCOMPARE(up.value(deadInstance), 1.0);
}

QTEST_GUILESS_MAIN(TestPrometheus)
#include "tst_prometheus.moc"
