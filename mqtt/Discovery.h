#pragma once

#include "BridgeConfig.h"

#include <QByteArray>
#include <QString>

// The topics the bridge publishes to, and Home Assistant's discovery config for a thermometer.
QString BridgeAvailabilityTopic(const TBridgeConfig& config);
QString StateTopic(const TBridgeConfig& config, const QString& id);
QString AvailabilityTopic(const TBridgeConfig& config, const QString& id);
QString DiscoveryTopic(const TBridgeConfig& config, const QString& id);
QString HomeAssistantStatusTopic(const TBridgeConfig& config);

// Seconds without a reading after which the thermometer counts as away: three intervals.
int ExpireAfterS(const TBridgeConfig& config, const TThermometerConfig& thermometer);
int IntervalS(const TBridgeConfig& config, const TThermometerConfig& thermometer);

QByteArray DiscoveryPayload(const TBridgeConfig& config, const TThermometerConfig& thermometer);
// A reading as Home Assistant parses it: "21.5", "-3.2", never an exponent.
QByteArray ReadingPayload(double celsius);
