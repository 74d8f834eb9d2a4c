// The timed connect: the worker thread, the 125 ms steps and the time limit.
#include "EventLog.h"
#include "IdException.h"
#include "IdIOHandlerSocket.h"
#include "IdTCPClient.h"
#include "LoopbackPeer.h"

#include <QElapsedTimer>
#include <QtTest>

class TestConnectWorker : public QObject {
    Q_OBJECT
private slots:
    void connects_data();
    void connects();
    void refused_data();
    void refused();
    void timesOutAndStaysUsable();
};

void TestConnectWorker::connects_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("2500 ms") << 2500;
    QTest::newRow("no limit") << -2;
}

void TestConnectWorker::connects()
{
    QFETCH(int, limit);
    LoopbackListener listener;
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(listener.Port());
    QElapsedTimer timer;
    timer.start();
    client.OpenConnection(limit);
    QVERIFY(timer.elapsed() >= 125);
    QCOMPARE(log.Entries, (QStringList{"Connecting to 127.0.0.1.", "Connected.", "OnConnected"}));
    QVERIFY(client.IsConnected());
    const TIdSocketHandle* binding =
        ComponentCast<TIdIOHandlerSocket>(client.IOHandler())->Binding();
    QCOMPARE(binding->PeerPort(), listener.Port());
    QVERIFY(binding->Port() != 0); // local address read back by the worker
    const int peer = listener.Accept();
    QVERIFY(SendAll(peer, "*B1E1+025.6\r\n"));
    QCOMPARE(client.ReadAvailable(), QByteArray("*B1E1+025.6\r\n"));
}

void TestConnectWorker::refused_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("2500 ms") << 2500;
    QTest::newRow("shorter than a step") << 100;
    QTest::newRow("no limit") << -2;
}

void TestConnectWorker::refused()
{
    QFETCH(int, limit);
    RefusingPort refusing;
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(refusing.Port());
    const int descriptors = OpenDescriptorCount();
    for (int attempt = 0; attempt < 3; ++attempt) {
        QElapsedTimer timer;
        timer.start();
        try {
            client.OpenConnection(limit);
            QFAIL("connected");
        } catch (const EIdConnectException& e) {
            QCOMPARE(e.Message(), QString("Socket Error # 10061\r\nConnection refused."));
        }
        QVERIFY(timer.elapsed() >= std::min(limit < 0 ? 125 : limit, 125));
        QVERIFY(!client.IsConnected());
    }
    QCOMPARE(log.Count("OnConnected") + log.Count("OnDisconnected"), 0);
    QCOMPARE(OpenDescriptorCount(), descriptors);
}

void TestConnectWorker::timesOutAndStaysUsable()
{
    SilentPeer silent;
    if (!silent.Ready())
        QSKIP("could not fill the accept queue of a loopback listener");
    TIdTCPClient client(nullptr);
    EventLog log;
    log.Attach(client);
    client.SetHost(QStringLiteral("127.0.0.1"));
    client.SetPort(silent.Port());
    // Read after the catch, which the analyzer does not follow.
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores)
    const int descriptors = OpenDescriptorCount();
    QElapsedTimer timer;
    timer.start();
    try {
        client.OpenConnection(2500);
        QFAIL("connected");
    } catch (const EIdConnectTimeout& e) {
        QCOMPARE(e.Message(), QString("Connect timed out."));
    }
    const qint64 elapsed = timer.elapsed();
    qInfo("time-out after %lld ms", elapsed);
    QVERIFY(elapsed >= 2500);
    QVERIFY(elapsed < 2500 + 1500);
    QVERIFY(!client.IsConnected());
    QCOMPARE(OpenDescriptorCount(), descriptors);
    QCOMPARE(log.Count("OnConnected") + log.Count("OnDisconnected"), 0);

    LoopbackListener listener;
    client.SetPort(listener.Port());
    client.OpenConnection(2500);
    QVERIFY(client.IsConnected());
}

QTEST_GUILESS_MAIN(TestConnectWorker)
#include "tst_connectworker.moc"
