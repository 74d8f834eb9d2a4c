// Home Assistant's discovery config and the reading's text, as Home Assistant parses them.
#include "Discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class TestDiscovery : public QObject {
    Q_OBJECT
private slots:
    void payload();
    void topicsFollowThePrefixes();
    void reading_data();
    void reading();
};

void TestDiscovery::payload()
{
    TBridgeConfig config;
    config.IntervalS = 10;
    const TThermometerConfig lab{QStringLiteral("lab1"), QStringLiteral("Lab \"1\" \u00FA"),
                                 QStringLiteral("h"), 7};
    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(DiscoveryPayload(config, lab), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QVERIFY(o.value("name").isNull()); // present and null: the device's name is used
    QCOMPARE(o.value("unique_id").toString(), QStringLiteral("zvk_lab1_temperature"));
    QCOMPARE(o.value("device_class").toString(), QStringLiteral("temperature"));
    QCOMPARE(o.value("state_class").toString(), QStringLiteral("measurement"));
    QCOMPARE(o.value("unit_of_measurement").toString(), QStringLiteral("\u00B0C"));
    QCOMPARE(o.value("suggested_display_precision").toInt(), 1);
    QCOMPARE(o.value("state_topic").toString(), QStringLiteral("zvk/lab1/temperature"));
    QCOMPARE(o.value("availability_mode").toString(), QStringLiteral("all"));
    const QJsonArray availability = o.value("availability").toArray();
    QCOMPARE(availability.size(), 2);
    QCOMPARE(availability[0].toObject().value("topic").toString(),
             QStringLiteral("zvk/bridge/availability"));
    QCOMPARE(availability[1].toObject().value("topic").toString(),
             QStringLiteral("zvk/lab1/availability"));
    QCOMPARE(o.value("expire_after").toInt(), 21); // three of the thermometer's own intervals
    const QJsonObject device = o.value("device").toObject();
    QCOMPARE(device.value("identifiers").toArray(), QJsonArray{QStringLiteral("zvk_lab1")});
    QCOMPARE(device.value("name").toString(), lab.Name);
    QCOMPARE(device.value("manufacturer").toString(), QStringLiteral("ZVK"));
    QVERIFY(!device.value("model").toString().isEmpty());
    const QJsonObject origin = o.value("origin").toObject();
    QCOMPARE(origin.value("name").toString(), QStringLiteral("zvk-mqtt"));
    QVERIFY(!origin.value("sw").toString().isEmpty());

    config.IntervalS = 4;
    const TThermometerConfig inherits{QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("h"),
                                      0};
    const QJsonObject p = QJsonDocument::fromJson(DiscoveryPayload(config, inherits)).object();
    QCOMPARE(p.value("expire_after").toInt(), 12);
}

void TestDiscovery::topicsFollowThePrefixes()
{
    TBridgeConfig config;
    config.TopicPrefix = QStringLiteral("home/zvk");
    config.DiscoveryPrefix = QStringLiteral("ha");
    QCOMPARE(DiscoveryTopic(config, QStringLiteral("k-2")),
             QStringLiteral("ha/sensor/zvk_k-2/temperature/config"));
    QCOMPARE(HomeAssistantStatusTopic(config), QStringLiteral("ha/status"));
    QCOMPARE(StateTopic(config, QStringLiteral("k-2")), QStringLiteral("home/zvk/k-2/temperature"));
    QCOMPARE(AvailabilityTopic(config, QStringLiteral("k-2")),
             QStringLiteral("home/zvk/k-2/availability"));
    QCOMPARE(BridgeAvailabilityTopic(config), QStringLiteral("home/zvk/bridge/availability"));
}

void TestDiscovery::reading_data()
{
    QTest::addColumn<double>("celsius");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("one decimal") << 21.5 << QByteArray("21.5");
    QTest::newRow("whole") << 25.0 << QByteArray("25");
    QTest::newRow("negative") << -3.2 << QByteArray("-3.2");
    QTest::newRow("negative zero") << -0.0 << QByteArray("0");
    QTest::newRow("large, no exponent") << 1234567.0 << QByteArray("1234567");
    QTest::newRow("small, no exponent") << 0.001 << QByteArray("0.001");
}

void TestDiscovery::reading()
{
    QFETCH(double, celsius);
    QFETCH(QByteArray, text);
    QCOMPARE(ReadingPayload(celsius), text);
}

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
