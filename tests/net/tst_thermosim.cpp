// The thermometer simulator as the tests script it, read through the client.
#include "IdException.h"
#include "IdTCPClient.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

class TestThermosim : public QObject {
    Q_OBJECT
private slots:
    void sendsScriptedBytes_data();
    void sendsScriptedBytes();
    void closesAfterFrames();
    void nextClientKeepsItsOwnPace();
    void refusesNonLoopbackAddress();
    void devicesLayout_data();
    void devicesLayout();
    void devicesDriftApartOncePerSecond();

private:
    // With --devices: the ADDRESS:PORT lines, one per device.
    static QStringList StartDevices(QProcess& sim, const QStringList& args, int count);
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

// A client that left must not leave its send times to the next one, which may get its socket.
void TestThermosim::nextClientKeepsItsOwnPace()
{
    QProcess sim;
    int port = 0;
    QVERIFY(Start(sim, {"--interval", "100"}, port));
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer clock;
        clock.start();
        TIdTCPClient client(nullptr);
        client.SetHost(QStringLiteral("127.0.0.1"));
        client.SetPort(port);
        client.SetReadTimeout(20);
        client.OpenConnection(2500);
        QByteArray got;
        while (clock.elapsed() < 600) {
            try {
                got += client.ReadAvailable();
            } catch (const EIdReadTimeout&) {
            }
        }
        const qint64 atMost = clock.elapsed() / 100 + 2;
        QVERIFY2(
            got.count('\r') <= atMost,
            qPrintable(QStringLiteral("%1 frames, at most %2").arg(got.count('\r')).arg(atMost)));
        QVERIFY(got.startsWith("*B1E1"));
        client.CloseConnection();
    }
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

namespace {
int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok ? ntohs(addr.sin_port) : 0;
}
} // namespace

QStringList TestThermosim::StartDevices(QProcess& sim, const QStringList& args, int count)
{
    sim.start(QStringLiteral(THERMOSIM_PATH), args);
    QStringList endpoints;
    while (endpoints.size() < count && (sim.canReadLine() || sim.waitForReadyRead(5000))) {
        while (sim.canReadLine())
            endpoints << QString::fromLatin1(sim.readLine().trimmed());
    }
    return endpoints;
}

void TestThermosim::devicesLayout_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("hosts");
    QTest::addColumn<bool>("consecutivePorts");
    QTest::newRow("consecutive ports")
        << QStringList{"--devices", "3"} << QStringList{"127.0.0.1", "127.0.0.1", "127.0.0.1"}
        << true;
    QTest::newRow("next address after two ports")
        << QStringList{"--devices", "5", "--ports-per-address", "2", "--address", "127.0.0.3"}
        << QStringList{"127.0.0.3", "127.0.0.3", "127.0.0.4", "127.0.0.4", "127.0.0.5"} << true;
    QTest::newRow("any free ports") << QStringList{"--devices", "2", "--port", "0"}
                                    << QStringList{"127.0.0.1", "127.0.0.1"} << false;
}

void TestThermosim::devicesLayout()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, hosts);
    QFETCH(bool, consecutivePorts);
    // A free base port: retried when a port after it is taken meanwhile.
    QStringList endpoints;
    int base = 0;
    for (int attempt = 0; attempt < 5 && endpoints.size() < hosts.size(); ++attempt) {
        base = FreePort();
        QVERIFY(base > 0);
        QProcess sim;
        const QStringList portArgs =
            args.contains("--port") ? QStringList{} : QStringList{"--port", QString::number(base)};
        endpoints = StartDevices(sim, portArgs + args, static_cast<int>(hosts.size()));
        for (const QString& endpoint : std::as_const(endpoints)) {
            const qsizetype colon = endpoint.lastIndexOf(':');
            TIdTCPClient client(nullptr);
            client.SetHost(endpoint.left(colon));
            client.SetPort(endpoint.mid(colon + 1).toInt());
            client.SetReadTimeout(50);
            client.OpenConnection(2500);
            QVERIFY2(ReadBytes(client, 5).startsWith("*B1E1"), qPrintable(endpoint));
        }
        sim.terminate();
        QVERIFY(sim.waitForFinished());
    }
    QCOMPARE(endpoints.size(), hosts.size());
    QSet<QString> distinct;
    for (qsizetype i = 0; i < endpoints.size(); ++i) {
        QCOMPARE(endpoints[i].section(':', 0, 0), hosts[i]);
        const int port = endpoints[i].section(':', 1).toInt();
        QVERIFY(port > 0);
        if (consecutivePorts && hosts[i] == hosts[0])
            QCOMPARE(port, base + static_cast<int>(i));
        distinct.insert(endpoints[i]);
    }
    QCOMPARE(distinct.size(), endpoints.size());
}

void TestThermosim::devicesDriftApartOncePerSecond()
{
    QProcess sim;
    const QStringList endpoints = StartDevices(sim, {"--devices", "3", "--port", "0"}, 3);
    QCOMPARE(endpoints.size(), 3);
    std::vector<std::unique_ptr<TIdTCPClient>> clients;
    for (const QString& endpoint : endpoints) {
        clients.push_back(std::make_unique<TIdTCPClient>(nullptr));
        clients.back()->SetHost(endpoint.section(':', 0, 0));
        clients.back()->SetPort(endpoint.section(':', 1).toInt());
        clients.back()->SetReadTimeout(20);
        clients.back()->OpenConnection(2500);
    }
    // Each device: its own first reading, then a frame a second; timed between the second and
    // third frames, since connecting takes a while.
    QElapsedTimer clock;
    clock.start();
    std::vector<QByteArray> got(clients.size());
    std::vector<qint64> prevAt(clients.size(), -1), nextAt(clients.size(), -1);
    while (clock.elapsed() < 5000 &&
           std::any_of(nextAt.begin(), nextAt.end(), [](qint64 t) { return t < 0; })) {
        for (std::size_t i = 0; i < clients.size(); ++i) {
            try {
                got[i] += clients[i]->ReadAvailable();
            } catch (const EIdReadTimeout&) {
            }
            const qsizetype frames = got[i].count('\r');
            if (frames >= 2 && prevAt[i] < 0)
                prevAt[i] = clock.elapsed();
            if (frames >= 3 && nextAt[i] < 0)
                nextAt[i] = clock.elapsed();
        }
    }
    QSet<QByteArray> firstReadings;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        QVERIFY2(nextAt[i] >= 0, got[i].constData());
        const QList<QByteArray> frames = got[i].split('\n');
        QVERIFY(frames[0].startsWith("*B1E1") && frames[1].startsWith("*B1E1"));
        firstReadings.insert(frames[0]);
        QVERIFY2(nextAt[i] - prevAt[i] >= 900, QByteArray::number(nextAt[i] - prevAt[i]));
        QVERIFY2(nextAt[i] - prevAt[i] <= 2000, QByteArray::number(nextAt[i] - prevAt[i]));
    }
    QCOMPARE(firstReadings.size(), 3);
    sim.terminate();
    QVERIFY(sim.waitForFinished());
}

QTEST_GUILESS_MAIN(TestThermosim)
#include "tst_thermosim.moc"
