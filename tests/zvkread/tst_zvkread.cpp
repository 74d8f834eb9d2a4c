// zvkread end to end, against the simulator on loopback.
#include "LoopbackPeer.h"
#include "MetricsText.h"
#include "Simulator.h"

#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <csignal>
#include <unistd.h>

class TestZvkread : public QObject {
    Q_OBJECT
private slots:
    void scriptedRunInEveryFormat();
    void stopsAfterCount();
    void deviceCloseBeforeAnyReading();
    void refusedConnect();
    void prometheusFormatForTextfileCollector();
    void connectTimeLimit();
    void lostConnection();
    void resetInEachOrder_data();
    void resetInEachOrder();
    void badUsage_data();
    void badUsage();
    void stopSignal_data();
    void stopSignal();
    void helpAndVersion();
};

namespace {
const QString Deg = QStringLiteral(" \u00B0C");

void Start(QProcess& p, const QStringList& args)
{
    p.start(QStringLiteral(ZVKREAD), args);
}

QStringList Lines(const QByteArray& out)
{
    QStringList lines = QString::fromUtf8(out).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Replaces the time in csv and jsonl lines by "T" after checking its form.
QStringList WithoutTimes(QStringList lines)
{
    static const QRegularExpression time(
        QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d"));
    for (QString& line : lines)
        line.replace(time, QStringLiteral("T"));
    return lines;
}
} // namespace

void TestZvkread::scriptedRunInEveryFormat()
{
    // One message per poll: the simulator sends at accept and then every 700 ms, and the
    // program polls right after its connect (which takes at least 125 ms) and then every
    // 700 ms, so each message arrives well inside one poll period.
    TSimulator sim;
    QVERIFY(sim.Start({"--interval", "700",
                       "--frames",   "8",
                       "--bytes",    "*B1E1+022.0\\r\\n", // a reading
                       "--bytes",    "*A1E1+025.6\\r\\n", // not a B frame: the window shows "-"
                       "--bytes",    "*B1E1-003.2\\r\\n", // a reading
                       "--bytes",    "no frame\\r\\n",    // no "*": the window ignores it
                       "--bytes",    "*B1E1+02",          // no CR yet: "-"
                       "--bytes",    "*B1E1 025.6\\r\\n", // no sign: the whole field
                       "--bytes",    "*B1E1+1\"2,3\\x9a\\r\\n",  // quote, comma, Windows-1250
                       "--bytes",    "*B1E1+025.6\\0x\\r\\n"})); // a NUL in the field
    const QString port = QString::number(sim.Port());
    QProcess text, csv, jsonl;
    Start(text, {"--interval", "0.7", "127.0.0.1", port});
    Start(csv, {"--interval", "0.7", "--format", "csv", "127.0.0.1", port});
    Start(jsonl, {"--interval", "0.7", "-f", "jsonl", "127.0.0.1", port});
    for (QProcess* p : {&text, &csv, &jsonl}) {
        QVERIFY(p->waitForFinished(20000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->readAllStandardError(), QByteArray());
        QCOMPARE(p->exitCode(), 0); // the device closed the connection
    }
    QCOMPARE(Lines(text.readAllStandardOutput()),
             (QStringList{"+022.0" + Deg, "-003.2" + Deg, "1 025.6" + Deg,
                          QString::fromUtf8("+1\"2,3š") + Deg, "+025.6"}));
    QCOMPARE(WithoutTimes(Lines(csv.readAllStandardOutput())),
             (QStringList{"time,value,raw", "T,22.0,+022.0", "T,-3.2,-003.2", "T,,1 025.6",
                          QString::fromUtf8("T,,\"+1\"\"2,3š\""),
                          QString::fromUtf8("T,,+025.6\uFFFDx")}));
    const QStringList json = Lines(jsonl.readAllStandardOutput());
    for (const QString& line : json)
        QVERIFY2(QJsonDocument::fromJson(line.toUtf8()).isObject(), qPrintable(line));
    QCOMPARE(WithoutTimes(json),
             (QStringList{
                 "{\"time\":\"T\",\"value\":22.0,\"raw\":\"+022.0\"}",
                 "{\"time\":\"T\",\"value\":-3.2,\"raw\":\"-003.2\"}",
                 "{\"time\":\"T\",\"value\":null,\"raw\":\"1 025.6\"}",
                 QString::fromUtf8("{\"time\":\"T\",\"value\":null,\"raw\":\"+1\\\"2,3š\"}"),
                 "{\"time\":\"T\",\"value\":null,\"raw\":\"+025.6\\u0000x\"}",
             }));
}

void TestZvkread::stopsAfterCount()
{
    TSimulator sim;
    QVERIFY(sim.Start({"--value", "21.5", "--interval", "200"}));
    QProcess p;
    Start(p, {"--count", "3", "--interval", "0.2", "localhost", QString::number(sim.Port())});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(Lines(p.readAllStandardOutput()), QStringList(3, "+021.5" + Deg));
}

void TestZvkread::deviceCloseBeforeAnyReading()
{
    TSimulator sim;
    QVERIFY(sim.Start({"--frames", "0"}));
    QProcess p;
    Start(p, {"-f", "csv", "127.0.0.1", QString::number(sim.Port())});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAllStandardOutput(), QByteArray("time,value,raw\n"));
    QCOMPARE(p.readAllStandardError(), QByteArray());
}

void TestZvkread::refusedConnect()
{
    RefusingPort closed;
    QVERIFY(closed.Port() > 0);
    QProcess p;
    Start(p, {"127.0.0.1", QString::number(closed.Port())});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(p.readAllStandardError(),
             QByteArray("zvkread: Socket Error # 10061 Connection refused.\n"));
    QCOMPARE(p.readAllStandardOutput(), QByteArray());
}

void TestZvkread::prometheusFormatForTextfileCollector()
{
    TSimulator sim;
    QVERIFY(sim.Start({"--value", "-2.5", "--interval", "200"}));
    RefusingPort closed;
    QProcess read, refused;
    Start(read, {"-f", "prometheus", "127.0.0.1", QString::number(sim.Port())});
    Start(refused, {"-f", "prometheus", "127.0.0.1", QString::number(closed.Port())});
    QVERIFY(read.waitForFinished(10000) && refused.waitForFinished(10000));
    QCOMPARE(read.exitCode(), 0);
    const QByteArray text = read.readAllStandardOutput();
    QCOMPARE(text.count("# HELP zvk_up "), 1);
    QCOMPARE(SampleValue(text, "zvk_up"), 1.0);
    QCOMPARE(SampleValue(text, "zvk_temperature_celsius"), -2.5);
    QCOMPARE(PromtoolComplaints(text), QString());
    // A failure replaces the collector's file too, without a temperature.
    QCOMPARE(refused.exitCode(), 1);
    const QByteArray failed = refused.readAllStandardOutput();
    QCOMPARE(SampleValue(failed, "zvk_up"), 0.0);
    QVERIFY(!failed.contains("zvk_temperature_celsius"));
    QCOMPARE(PromtoolComplaints(failed), QString());
}

void TestZvkread::connectTimeLimit()
{
    SilentPeer silent;
    QVERIFY(silent.Ready());
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    Start(p, {"--timeout", "300", "127.0.0.1", QString::number(silent.Port())});
    QVERIFY(p.waitForFinished(10000));
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(p.readAllStandardError(), QByteArray("zvkread: Connect timed out.\n"));
    // The default limit is 2500 ms.
    QVERIFY2(elapsed < 2400, qPrintable(QString::number(elapsed)));
}

// The simulator sends its frame at once and resets right after: whether the reset arrives
// while the program is still connecting or later, the frame is printed, then the reset.
void TestZvkread::lostConnection()
{
    TSimulator sim;
    QVERIFY(sim.Start({"--frames", "1", "--reset", "--value", "20"}));
    QProcess p;
    Start(p, {"--interval", "0.1", "127.0.0.1", QString::number(sim.Port())});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(p.readAllStandardError(),
             QByteArray("zvkread: Socket Error # 10054 Connection reset by peer.\n"));
    QCOMPARE(Lines(p.readAllStandardOutput()), QStringList{"+020.0" + Deg});
}

// The device resets at a point the test chooses by waiting for what the program has printed
// first (the csv header follows the connect), never by timing. Bytes that arrived before
// the reset are still handed out by Linux, so a frame sent first is always printed.
void TestZvkread::resetInEachOrder_data()
{
    QTest::addColumn<bool>("sendFrame");
    QTest::addColumn<int>("linesBeforeReset"); // printed lines awaited before the reset
    QTest::newRow("frame and reset right after the accept") << true << 0;
    QTest::newRow("reset after the connect, before any byte") << false << 1;
    QTest::newRow("reset after a printed reading") << true << 2;
}

void TestZvkread::resetInEachOrder()
{
    QFETCH(bool, sendFrame);
    QFETCH(int, linesBeforeReset);
    LoopbackListener device;
    QProcess p;
    Start(p, {"--interval", "0.1", "-f", "csv", "127.0.0.1", QString::number(device.Port())});
    const int peer = device.Accept(10000);
    QVERIFY(peer >= 0);
    if (sendFrame)
        QVERIFY(SendAll(peer, "*B1E1+020.0\r\n"));
    QStringList printed;
    while (printed.size() < linesBeforeReset) {
        QVERIFY(p.canReadLine() || p.waitForReadyRead(10000));
        while (p.canReadLine())
            printed << QString::fromUtf8(p.readLine()).chopped(1);
    }
    device.Abort(peer);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(p.readAllStandardError(),
             QByteArray("zvkread: Socket Error # 10054 Connection reset by peer.\n"));
    printed << Lines(p.readAllStandardOutput());
    QStringList expected{"time,value,raw"};
    if (sendFrame)
        expected << "T,20.0,+020.0";
    QCOMPARE(WithoutTimes(printed), expected);
}

void TestZvkread::badUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no host") << QStringList{} << "missing HOST";
    QTest::newRow("port 0") << QStringList{"127.0.0.1", "0"} << "invalid port '0'";
    QTest::newRow("prometheus, many") << QStringList{"-f", "prometheus", "-n", "2", "h"}
                                      << "the prometheus format takes one reading";
    QTest::newRow("port 65536") << QStringList{"127.0.0.1", "65536"} << "invalid port '65536'";
    QTest::newRow("port with a suffix")
        << QStringList{"127.0.0.1", "10001x"} << "invalid port '10001x'";
    QTest::newRow("negative port") << QStringList{"127.0.0.1", "-1"} << "Unknown option";
    QTest::newRow("too many") << QStringList{"127.0.0.1", "1", "2"} << "too many arguments: 2";
    QTest::newRow("count text") << QStringList{"-n", "x", "127.0.0.1"} << "invalid count 'x'";
    QTest::newRow("count 0") << QStringList{"--count", "0", "127.0.0.1"} << "invalid count '0'";
    QTest::newRow("interval text")
        << QStringList{"-i", "soon", "127.0.0.1"} << "invalid interval 'soon'";
    QTest::newRow("interval comma")
        << QStringList{"-i", "1,5", "127.0.0.1"} << "invalid interval '1,5'";
    QTest::newRow("interval 0") << QStringList{"-i", "0", "127.0.0.1"} << "invalid interval '0'";
    QTest::newRow("timeout text") << QStringList{"-t", "2s", "127.0.0.1"} << "invalid timeout '2s'";
    QTest::newRow("timeout above a minute")
        << QStringList{"-t", "60001", "127.0.0.1"} << "invalid timeout '60001'";
    QTest::newRow("format") << QStringList{"--format", "xml", "127.0.0.1"}
                            << "unknown format 'xml'";
    QTest::newRow("unknown option") << QStringList{"--colour", "127.0.0.1"} << "Unknown option";
    QTest::newRow("missing value") << QStringList{"127.0.0.1", "--count"} << "Missing value";
}

void TestZvkread::badUsage()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QProcess p;
    Start(p, args);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 2);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(err.startsWith("zvkread: " + message), qPrintable(err));
    QVERIFY2(err.contains("Usage: zvkread [options] HOST [PORT]\n"), qPrintable(err));
    QCOMPARE(p.readAllStandardOutput(), QByteArray());
}

void TestZvkread::stopSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestZvkread::stopSignal()
{
    QFETCH(int, signal);
    TSimulator sim;
    QVERIFY(sim.Start({"--value", "20", "--interval", "300"}));
    QProcess p;
    Start(p, {"--interval", "0.3", "127.0.0.1", QString::number(sim.Port())});
    // The first line arrives while the program runs: output is flushed per line.
    QVERIFY(p.waitForReadyRead(10000));
    QCOMPARE(p.readLine(), ("+020.0" + Deg + u'\n').toUtf8());
    ::kill(static_cast<pid_t>(p.processId()), signal);
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(p.readAllStandardError(), QByteArray());
}

void TestZvkread::helpAndVersion()
{
    QProcess help;
    Start(help, {"--help"});
    QVERIFY(help.waitForFinished(10000));
    QCOMPARE(help.exitCode(), 0);
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    QVERIFY(text.startsWith("Usage: zvkread [options] HOST [PORT]\n"));
    QVERIFY(text.contains("Skipped"));
    QProcess version;
    Start(version, {"--version"});
    QVERIFY(version.waitForFinished(10000));
    QCOMPARE(version.readAllStandardOutput(), QByteArray("zvkread 1.0\n"));
}

QTEST_GUILESS_MAIN(TestZvkread)
#include "tst_zvkread.moc"
