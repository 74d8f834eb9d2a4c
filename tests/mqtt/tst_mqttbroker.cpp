// The bridge between two simulated thermometers and Debian's mosquitto, all on loopback in a
// network namespace of their own; read back with mosquitto_sub.
#include "LoopbackPeer.h"
#include "MqttBroker.h"
#include "Simulator.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <csignal>
#include <memory>

class TestMqttBroker : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void discoveryAndReadings();
    void silentThermometerGoesOffline();
    void lostThermometerComesBack();
    void homeAssistantBirthRepublishes();
    void brokerRestart();
    void reloadRemovesThermometer();
    void tlsBroker();
    void stopLeavesBridgeOffline();
    void badConfigurationNeverConnects();
    void cleanupTestCase();

private:
    void WriteConfig(const QByteArray& thermometers);
    bool Online(const QString& id) { return FRecorder->Last(Availability(id)) == "online"; }
    bool Offline(const QString& id) { return FRecorder->Last(Availability(id)) == "offline"; }
    static QString Availability(const QString& id) { return "zvk/" + id + "/availability"; }
    static QString Config(const QString& id)
    {
        return "homeassistant/sensor/zvk_" + id + "/temperature/config";
    }

    QTemporaryDir FDir;
    TMosquitto FBroker;
    std::unique_ptr<TSimulator> FLab1, FLab2;
    int FLab1Port = 0;
    QProcess FBridge;
    std::unique_ptr<TMqttRecorder> FRecorder;
};

namespace {
constexpr int Limit = 10000;           // generous: each wait ends as soon as its condition holds
constexpr int RepublishDelayMs = 1000; // fixed in place of the random pause

int FreePort()
{
    const RefusingPort port;
    return port.Port();
}
} // namespace

void TestMqttBroker::WriteConfig(const QByteArray& thermometers)
{
    QFile file(FDir.filePath("zvk-mqtt.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[mqtt]\nbroker = mqtt://127.0.0.1:" + QByteArray::number(FBroker.Port()) +
               "\nclient_id = zvk-test\ninterval = 1\nchange_step = 0.1\n" + thermometers);
}

void TestMqttBroker::initTestCase()
{
    QVERIFY2(FBroker.Start(FreePort()), FBroker.Log().constData());
    FLab1 = std::make_unique<TSimulator>();
    FLab2 = std::make_unique<TSimulator>();
    QVERIFY(FLab1->Start({"--value", "21.5", "--interval", "200"}));
    QVERIFY(FLab2->Start({"--value", "-3.2", "--interval", "200"}));
    FLab1Port = FLab1->Port();
    WriteConfig("[thermometer.lab1]\nname = Lab thermometer 1\naddress = 127.0.0.1:" +
                QByteArray::number(FLab1Port) +
                "\n[thermometer.lab2]\nname = Freezer\naddress = 127.0.0.1:" +
                QByteArray::number(FLab2->Port()) + "\n");
    FRecorder = std::make_unique<TMqttRecorder>(FBroker.Port());
    FBridge.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ZVK_MQTT_REPUBLISH_DELAY_MS", QString::number(RepublishDelayMs));
    FBridge.setProcessEnvironment(environment);
    FBridge.start(QStringLiteral(ZVK_MQTT), {"--config", FDir.filePath("zvk-mqtt.conf")});
    QVERIFY(FBridge.waitForStarted(5000));
}

void TestMqttBroker::discoveryAndReadings()
{
    QTRY_VERIFY_WITH_TIMEOUT(FRecorder->Last(Config("lab1")) && FRecorder->Last(Config("lab2")),
                             Limit);
    for (const QString id : {"lab1", "lab2"}) {
        QJsonParseError error{};
        const QJsonObject o =
            QJsonDocument::fromJson(*FRecorder->Last(Config(id)), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        for (const char* field :
             {"unique_id", "name", "device_class", "state_class", "unit_of_measurement",
              "suggested_display_precision", "state_topic", "availability", "availability_mode",
              "expire_after", "device", "origin"})
            QVERIFY2(o.contains(field), field);
        QCOMPARE(o.value("state_topic").toString(), "zvk/" + id + "/temperature");
        QCOMPARE(o.value("expire_after").toInt(), 3);
    }
    QTRY_COMPARE_WITH_TIMEOUT(FRecorder->Last("zvk/lab1/temperature"), QByteArray("21.5"), Limit);
    QTRY_COMPARE_WITH_TIMEOUT(FRecorder->Last("zvk/lab2/temperature"), QByteArray("-3.2"), Limit);
    QTRY_VERIFY_WITH_TIMEOUT(Online("lab1") && Online("lab2") && Online("bridge"), Limit);
    // A late subscriber, as Home Assistant starting later, gets them retained.
    TMqttRecorder late(FBroker.Port());
    QTRY_VERIFY_WITH_TIMEOUT(late.Last(Config("lab2"), true) == FRecorder->Last(Config("lab2")) &&
                                 late.Last(Availability("bridge"), true) == "online" &&
                                 late.Last(Availability("lab1"), true) == "online",
                             Limit);
}

void TestMqttBroker::silentThermometerGoesOffline()
{
    // Stopped, not ended: the connection stays open and only the frames stop.
    const pid_t lab2 = static_cast<pid_t>(FLab2->ProcessId());
    QElapsedTimer silent;
    silent.start();
    ::kill(lab2, SIGSTOP);
    QTRY_VERIFY_WITH_TIMEOUT(Offline("lab2"), Limit);
    QVERIFY2(silent.elapsed() >= 2500, "offline before three intervals without a frame");
    QVERIFY(Online("lab1"));
    ::kill(lab2, SIGCONT);
    QTRY_VERIFY_WITH_TIMEOUT(Online("lab2"), Limit);
}

void TestMqttBroker::lostThermometerComesBack()
{
    FLab1.reset();
    QTRY_VERIFY_WITH_TIMEOUT(Offline("lab1"), Limit);
    FRecorder->Clear();
    FLab1 = std::make_unique<TSimulator>();
    QVERIFY(FLab1->Start(
        {"--port", QString::number(FLab1Port), "--value", "22.4", "--interval", "200"}));
    QTRY_VERIFY_WITH_TIMEOUT(Online("lab1"), 2 * Limit);
    QTRY_COMPARE_WITH_TIMEOUT(FRecorder->Last("zvk/lab1/temperature"), QByteArray("22.4"), Limit);
}

void TestMqttBroker::homeAssistantBirthRepublishes()
{
    FRecorder->Clear();
    QElapsedTimer sent;
    sent.start();
    QProcess pub;
    pub.start("mosquitto_pub", {"-h", "127.0.0.1", "-p", QString::number(FBroker.Port()), "-t",
                                "homeassistant/status", "-m", "online"});
    QVERIFY(pub.waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(FRecorder->Last(Config("lab1")) && FRecorder->Last(Config("lab2")),
                             Limit);
    // A coarse timer may fire up to 5 % early.
    QVERIFY2(sent.elapsed() >= RepublishDelayMs * 9 / 10, "discovery before the pause");
}

void TestMqttBroker::brokerRestart()
{
    FBroker.Stop();
    FRecorder.reset();
    QVERIFY2(FBroker.Start(FBroker.Port()), FBroker.Log().constData());
    FRecorder = std::make_unique<TMqttRecorder>(FBroker.Port());
    // Without persistence the broker forgot everything: the bridge brings it all back.
    QTRY_VERIFY_WITH_TIMEOUT(Online("bridge") && Online("lab1") && Online("lab2") &&
                                 FRecorder->Last(Config("lab1")) && FRecorder->Last(Config("lab2")),
                             2 * Limit);
    QTRY_COMPARE_WITH_TIMEOUT(FRecorder->Last("zvk/lab2/temperature"), QByteArray("-3.2"), Limit);
}

void TestMqttBroker::reloadRemovesThermometer()
{
    WriteConfig("[thermometer.lab1]\nname = Lab thermometer 1\naddress = 127.0.0.1:" +
                QByteArray::number(FLab1Port) + "\n");
    ::kill(static_cast<pid_t>(FBridge.processId()), SIGHUP);
    QTRY_COMPARE_WITH_TIMEOUT(FRecorder->Last(Config("lab2")), QByteArray(), Limit);
    TMqttRecorder late(FBroker.Port());
    QTRY_VERIFY_WITH_TIMEOUT(late.Last(Config("lab1"), true), Limit);
    QVERIFY(!late.Last(Config("lab2")));
    QVERIFY(Online("lab1"));
}

void TestMqttBroker::tlsBroker()
{
    // A self-signed certificate for 127.0.0.1, which is also the CA the clients trust.
    const QString cert = FDir.filePath("broker.pem"), key = FDir.filePath("broker.key");
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                   "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", cert});
    QVERIFY(openssl.waitForFinished(Limit));
    QCOMPARE(openssl.exitCode(), 0);
    TMosquitto broker;
    QVERIFY2(
        broker.Start(FreePort(), "certfile " + cert.toUtf8() + "\nkeyfile " + key.toUtf8() + "\n"),
        broker.Log().constData());
    QFile file(FDir.filePath("tls.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[mqtt]\nbroker = mqtts://127.0.0.1:" + QByteArray::number(broker.Port()) +
               "\nca_file = " + cert.toUtf8() +
               "\nclient_id = zvk-tls\ninterval = 1\n"
               "[thermometer.lab1]\naddress = 127.0.0.1:" +
               QByteArray::number(FLab1Port) + "\n");
    file.close();
    QProcess bridge;
    bridge.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bridge.start(QStringLiteral(ZVK_MQTT), {"--config", file.fileName()});
    TMqttRecorder recorder(broker.Port(), {"--cafile", cert});
    QTRY_VERIFY_WITH_TIMEOUT(recorder.Last(Availability("bridge")) == "online" &&
                                 recorder.Last(Availability("lab1")) == "online",
                             Limit);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.Last("zvk/lab1/temperature"), QByteArray("22.4"), Limit);
    bridge.terminate();
    QVERIFY(bridge.waitForFinished(Limit));
    QCOMPARE(bridge.exitCode(), 0);
}

void TestMqttBroker::stopLeavesBridgeOffline()
{
    FBridge.terminate();
    QVERIFY(FBridge.waitForFinished(Limit));
    QCOMPARE(FBridge.exitStatus(), QProcess::NormalExit);
    QCOMPARE(FBridge.exitCode(), 0);
    TMqttRecorder late(FBroker.Port());
    QTRY_COMPARE_WITH_TIMEOUT(late.Last(Availability("bridge"), true), QByteArray("offline"),
                              Limit);
    // A clean disconnect, not a dropped connection that the will covers.
    QTRY_VERIFY_WITH_TIMEOUT(FBroker.Log().contains("Client zvk-test disconnected."), Limit);
}

void TestMqttBroker::badConfigurationNeverConnects()
{
    QFile file(FDir.filePath("bad.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "[mqtt]\nbroker = mqtt://127.0.0.1:" + QByteArray::number(FBroker.Port()) +
        "\nclient_id = zvk-bad\n\n[thermometer.lab1]\naddress = 127.0.0.1:1\nintervall = 5\n");
    file.close();
    QProcess bad;
    bad.start(QStringLiteral(ZVK_MQTT), {"--config", file.fileName()});
    QVERIFY(bad.waitForFinished(Limit));
    QCOMPARE(bad.exitCode(), 2);
    QCOMPARE(bad.readAllStandardError(), "zvk-mqtt: " + file.fileName().toUtf8() +
                                             ":7: unknown key intervall in [thermometer.lab1]\n");
    QVERIFY(!FBroker.Log().contains("zvk-bad"));
}

void TestMqttBroker::cleanupTestCase()
{
    if (FBridge.state() != QProcess::NotRunning) {
        FBridge.kill();
        FBridge.waitForFinished(3000);
    }
}

QTEST_GUILESS_MAIN(TestMqttBroker)
#include "tst_mqttbroker.moc"
