// The broker connection while its connect, where libmosquitto looks the broker's name up, hangs:
// a stand-in for the connect call, so no name server is ever asked.
#include "MqttClient.h"

#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mosquitto.h>
#include <mutex>

namespace {
// A name lookup that does not answer until released (or for 5 s, so that a connect made on
// the loop fails the test instead of hanging it).
std::mutex Lock;
std::condition_variable Changed;
bool Released = false;
std::atomic<int> Entered = 0, Returned = 0;

int HangingConnect(mosquitto*, const char*, int, int)
{
    ++Entered;
    std::unique_lock lock(Lock);
    Changed.wait_for(lock, std::chrono::seconds(5), [] { return std::exchange(Released, false); });
    ++Returned;
    return MOSQ_ERR_EAI;
}

void Release()
{
    const std::lock_guard lock(Lock);
    Released = true;
    Changed.notify_all();
}
} // namespace

class TestMqttClient : public QObject {
    Q_OBJECT
private slots:
    void hangingLookupLeavesLoopFree();
};

void TestMqttClient::hangingLookupLeavesLoopFree()
{
    TMqttClient::SetConnectCall(HangingConnect);
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
    QCOMPARE(Entered.load(), 1);
    QCOMPARE(Returned.load(), 0);

    // The answer comes back to the loop, then the usual pause and another try.
    Release();
    QTRY_VERIFY(log.contains("cannot connect to the broker: Lookup error.; trying again in 1 s"));
    QTRY_COMPARE(Entered.load(), 2);

    // A stop during a pending connect ends at once; the client may go while its worker waits.
    bool stopped = false;
    client->Stop([&] { stopped = true; });
    QTRY_VERIFY(stopped);
    client.reset();
    QCOMPARE(Returned.load(), 1);
    Release();
    QTRY_COMPARE(Returned.load(), 2);
    TMqttClient::SetConnectCall(nullptr);
}

QTEST_GUILESS_MAIN(TestMqttClient)
#include "tst_mqttclient.moc"
