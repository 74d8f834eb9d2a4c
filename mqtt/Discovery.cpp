#include "Discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QString BridgeAvailabilityTopic(const TBridgeConfig& config)
{
    return config.TopicPrefix + QStringLiteral("/bridge/availability");
}

QString StateTopic(const TBridgeConfig& config, const QString& id)
{
    return config.TopicPrefix + u'/' + id + QStringLiteral("/temperature");
}

QString AvailabilityTopic(const TBridgeConfig& config, const QString& id)
{
    return config.TopicPrefix + u'/' + id + QStringLiteral("/availability");
}

QString DiscoveryTopic(const TBridgeConfig& config, const QString& id)
{
    return config.DiscoveryPrefix + QStringLiteral("/sensor/zvk_") + id +
           QStringLiteral("/temperature/config");
}

QString HomeAssistantStatusTopic(const TBridgeConfig& config)
{
    return config.DiscoveryPrefix + QStringLiteral("/status");
}

int IntervalS(const TBridgeConfig& config, const TThermometerConfig& thermometer)
{
    return thermometer.IntervalS > 0 ? thermometer.IntervalS : config.IntervalS;
}

int ExpireAfterS(const TBridgeConfig& config, const TThermometerConfig& thermometer)
{
    return 3 * IntervalS(config, thermometer);
}

QByteArray DiscoveryPayload(const TBridgeConfig& config, const TThermometerConfig& thermometer)
{
    const QString object = QStringLiteral("zvk_") + thermometer.Id;
    const QJsonObject device{
        {"identifiers", QJsonArray{object}},
        {"name", thermometer.Name},
        {"manufacturer", "ZVK"},
        {"model", "network thermometer"},
    };
    const QJsonObject payload{
        {"name", QJsonValue::Null}, // the entity takes the device's name
        {"unique_id", object + QStringLiteral("_temperature")},
        {"device_class", "temperature"},
        {"state_class", "measurement"}, // long-term statistics
        {"unit_of_measurement", QStringLiteral("\u00B0C")},
        {"suggested_display_precision", 1},
        {"state_topic", StateTopic(config, thermometer.Id)},
        {"availability",
         QJsonArray{QJsonObject{{"topic", BridgeAvailabilityTopic(config)}},
                    QJsonObject{{"topic", AvailabilityTopic(config, thermometer.Id)}}}},
        {"availability_mode", "all"},
        {"expire_after", ExpireAfterS(config, thermometer)},
        {"device", device},
        {"origin", QJsonObject{{"name", "zvk-mqtt"}, {"sw", ZVK_VERSION}}},
    };
    return QJsonDocument(payload).toJson(QJsonDocument::Compact);
}

QByteArray ReadingPayload(double celsius)
{
    QByteArray text = QByteArray::number(celsius, 'f', 3);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text == "-0" ? QByteArray("0") : text;
}
