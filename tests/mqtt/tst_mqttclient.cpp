// The broker connection while its connect, where libmosquitto looks the broker's name up, hangs:
// a stand-in for the connect call, so no name server is ever asked.
#include "MqttClient.h"

#include <QtTest>
#include <condition_variable>
#include <memory>
#include <mosquitto.h>
#include <mutex>

namespace {
// A lookup that does not answer until the test releases it (or 5 s pass, so that a connect
// run on the loop fails the test instead of hanging it).
struct THangingConnect {
    std::mutex Lock;
    std::condition_variable Changed;
    int Entered = 0, Returned = 0;
    bool Released = false;

    static int Call(mosquitto*, const char*, int, int);
    void Release()
    {
        const std::lock_guard lock(Lock);
        Released = true;
        Changed.notify_all();
    }
    std::pair<int, int> Counts()
    {
        const std::lock_guard lock(Lock);
        return {Entered, Returned};
    }
};
THangingConnect Hang;

int THangingConnect::Call(mosquitto*, const char*, int, int)
{
    std::unique_lock lock(Hang.Lock);
    ++Hang.Entered;
    Hang.Changed.wait_for(lock, std::chrono::seconds(5), [] { return Hang.Released; });
    Hang.Released = false;
    ++Hang.Returned;
    return MOSQ_ERR_EAI;
}
} // namespace

class TestMqttClient : public QObject {
    Q_OBJECT
private slots:
    void hangingLookupLeavesLoopFree();
};

void TestMqttClient::hangingLookupLeavesLoopFree()
{
    TMqttClient::SetConnectCall(THangingConnect::Call);
    QStringList log;
    TBrokerConfig broker;
    broker.Host = QStringLiteral("broker.example");
    auto client = std::make_unique<TMqttClient>(
        broker, QStringLiteral("zvk/bridge/availability"),
        TMqttClient::THandlers{{}, {}, [&](const QString& l) { log << l; }});
    QString error;
    QVERIFY(client->Start(&error));
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    QTRY_VERIFY(ticks >= 5);
    QCOMPARE(Hang.Counts(), std::make_pair(1, 0));

    // The answer comes back to the loop, then the usual pause and another try.
    Hang.Release();
    QTRY_VERIFY(log.contains("cannot connect to the broker: Lookup error.; trying again in 1 s"));
    QTRY_COMPARE(Hang.Counts(), std::make_pair(2, 1));

    // A stop during a pending connect ends at once; the client may go while its worker waits.
    bool stopped = false;
    client->Stop([&] { stopped = true; });
    QTRY_VERIFY(stopped);
    client.reset();
    QCOMPARE(Hang.Counts(), std::make_pair(2, 1));
    Hang.Release();
    QTRY_COMPARE(Hang.Counts(), std::make_pair(2, 2));
    TMqttClient::SetConnectCall(nullptr);
}

QTEST_GUILESS_MAIN(TestMqttClient)
#include "tst_mqttclient.moc"
