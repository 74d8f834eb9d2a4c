// The thermometer simulator as the tests script it, read through the client.
#include "IdException.h"
#include "IdTCPClient.h"

#include <QProcess>
#include <QtTest>

class TestThermosim : public QObject {
    Q_OBJECT
private slots:
    void sendsScriptedBytes_data();
    void sendsScriptedBytes();
    void closesAfterFrames();
    void refusesNonLoopbackAddress();

private:
    static bool Start(QProcess& sim, const QStringList& args, int& port);
    // Reads until count bytes came or the peer closed; read time-outs are waited out.
    static QByteArray ReadBytes(TIdTCPClient& client, qsizetype count);
};

bool TestThermosim::Start(QProcess& sim, const QStringList& args, int& port)
{
    sim.start(QStringLiteral(THERMOSIM_PATH), QStringList{"--port", "0"} + args);
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000))
        return false;
    bool ok = false;
    port = sim.readLine().trimmed().toInt(&ok);
    return ok && port > 0;
}

QByteArray TestThermosim::ReadBytes(TIdTCPClient& client, qsizetype count)
{
    QByteArray got;
    for (int i = 0; i < 100 && got.size() < count && client.IsConnected(); ++i) {
        try {
            got += client.ReadAvailable();
        } catch (const EIdReadTimeout&) {
        }
    }
    return got;
}

void TestThermosim::sendsScriptedBytes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("fixed value") << QStringList{"--value", "25.6", "--interval", "50"}
                                 << QByteArray("*B1E1+025.6\r\n*B1E1+025.6\r\n");
    QTest::newRow("negative value")
        << QStringList{"--value", "-3.2"} << QByteArray("*B1E1-003.2\r\n");
    QTest::newRow("long value")
        << QStringList{"--value", "1e60"}
        << QByteArray("*B1E1+999999999999999949387135297074018866963645011013410073083904.0\r\n");
    QTest::newRow("exact bytes") << QStringList{"--bytes", "*B\\x00\\xff\\r\\n"}
                                 << QByteArray("*B\0\xff\r\n", 6);
    QTest::newRow("script in turn, then again")
        << QStringList{"--bytes", "*B1E1+1\\r", "--bytes", "x\\0y", "--interval", "20"}
        << QByteArray("*B1E1+1\rx\0y*B1E1+1\r", 19);
    QByteArray burst(40000, '\0');
    for (int i = 0; i < burst.size(); ++i)
        burst[i] = static_cast<char>(i % 256);
    QTest::newRow("burst") << QStringList{"--burst", "40000", "--silent"} << burst;
}

void TestThermosim::sendsScriptedBytes()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, expected);
    QProcess sim;
    int port = 0;
    QVERIFY(Start(sim, args, port));
    TIdTCPClient client(nullptr);
    client.SetHost(QStringLiteral("localhost"));
    client.SetPort(port);
    client.SetReadTimeout(50);
    client.OpenConnection(2500);
    QCOMPARE(ReadBytes(client, expected.size()).left(expected.size()), expected);
    sim.terminate();
    QVERIFY(sim.waitForFinished());
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

void TestThermosim::closesAfterFrames()
{
    QProcess sim;
    int port = 0;
    QVERIFY(Start(sim, {"--frames", "2", "--interval", "20"}, port));
    TIdTCPClient client(nullptr);
    int disconnects = 0;
    client.OnDisconnected = [&](TComponent*) { ++disconnects; };
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(port);
    client.SetReadTimeout(50);
    client.OpenConnection(2500);
    const QByteArray got = ReadBytes(client, 1 << 20);
    QCOMPARE(got.count("*B1E1"), 2);
    QVERIFY(!client.IsConnected());
    QCOMPARE(disconnects, 1);
    sim.terminate();
    QVERIFY(sim.waitForFinished());
}

void TestThermosim::refusesNonLoopbackAddress()
{
    QProcess sim;
    sim.start(QStringLiteral(THERMOSIM_PATH), {"--address", "192.0.2.1", "--port", "0"});
    QVERIFY(sim.waitForFinished());
    QVERIFY(sim.exitCode() != 0);
    QVERIFY(sim.readAllStandardError().contains("loopback"));
}

QTEST_GUILESS_MAIN(TestThermosim)
#include "tst_thermosim.moc"
