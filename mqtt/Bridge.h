#pragma once

#include "BridgeConfig.h"
#include "PublishPolicy.h"

#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

class TDeviceLoop;
class TMqttClient;
class TThermometerLink;
struct TDeviceFrame;

// The thermometers on one side, the broker on the other: keeps both connected and publishes
// readings, availability and Home Assistant's discovery configs.
class TBridge {
public:
    TBridge(TDeviceLoop& loop, TBridgeConfig config);
    ~TBridge();
    TBridge(const TBridge&) = delete;
    TBridge& operator=(const TBridge&) = delete;

    bool Start(QString* error);
    // A new configuration, read again: thermometers are added, changed and removed (a
    // removed one's discovery config is emptied, so Home Assistant deletes the entity);
    // a changed [mqtt] section reconnects to the broker.
    void Reload(TBridgeConfig config);
    // "offline" for the bridge, a clean disconnect, then done.
    void Stop(std::function<void()> done);

private:
    struct TThermometer;

    std::unique_ptr<TMqttClient> NewClient();
    void AddThermometer(const TThermometerConfig& config);
    void BrokerConnected();
    void Message(const QString& topic, const QByteArray& payload);
    void PublishDiscovery();
    void Frame(TThermometer& t, const TDeviceFrame& frame);
    void Tick(); // publishes what is due, restarts silent connections, sets the timer
    void Log(const QString& line);

    TDeviceLoop& FLoop;
    TBridgeConfig FConfig;
    std::unique_ptr<TMqttClient> FClient;
    std::map<QString, std::unique_ptr<TThermometer>> FThermometers;
    QStringList FRemoved; // ids whose discovery config still has to be emptied
    QTimer FTimer;
    QTimer FRepublish; // Home Assistant's birth, answered after a random pause
};
