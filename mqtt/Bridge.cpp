#include "Bridge.h"

#include "DeviceAddress.h"
#include "DeviceFrame.h"
#include "Discovery.h"
#include "ExceptionGuard.h"
#include "MqttClient.h"
#include "ThermometerLink.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QSet>
#include <cstdio>

struct TBridge::TThermometer {
    TThermometerConfig Config;
    TPublishPolicy Policy;
    std::unique_ptr<TThermometerLink> Link;
};

namespace {
const QByteArray Online = QByteArrayLiteral("online");
const QByteArray Offline = QByteArrayLiteral("offline");

qint64 Now()
{
    return QDeadlineTimer::current().deadline();
}

// Home Assistant asks that discovery after its birth wait a random moment, so that the
// bridges of a house do not all answer at the same instant. Tests fix it.
int RepublishDelayMs()
{
    constexpr int MaxMs = 5000;
    bool fixed = false;
    const int ms = qEnvironmentVariableIntValue("ZVK_MQTT_REPUBLISH_DELAY_MS", &fixed);
    return fixed ? std::clamp(ms, 0, MaxMs) : QRandomGenerator::global()->bounded(MaxMs + 1);
}
} // namespace

TBridge::TBridge(TDeviceLoop& loop, TBridgeConfig config) : FLoop(loop), FConfig(std::move(config))
{
    FTimer.setSingleShot(true);
    QObject::connect(&FTimer, &QTimer::timeout, [this] { GuardedCall([this] { Tick(); }); });
    FRepublish.setSingleShot(true);
    QObject::connect(&FRepublish, &QTimer::timeout, [this] {
        GuardedCall([this] {
            if (FClient && FClient->IsConnected())
                PublishDiscovery();
        });
    });
}

TBridge::~TBridge() = default;

std::unique_ptr<TMqttClient> TBridge::NewClient()
{
    TMqttClient::THandlers h;
    h.OnConnected = [this] { BrokerConnected(); };
    h.OnMessage = [this](const QString& topic, const QByteArray& payload) {
        Message(topic, payload);
    };
    h.OnLog = [this](const QString& line) { Log(line); };
    return std::make_unique<TMqttClient>(FConfig.Broker, BridgeAvailabilityTopic(FConfig),
                                         std::move(h));
}

bool TBridge::Start(QString* error)
{
    FClient = NewClient();
    if (!FClient->Start(error))
        return false;
    for (const TThermometerConfig& t : FConfig.Thermometers)
        AddThermometer(t);
    return true;
}

void TBridge::AddThermometer(const TThermometerConfig& config)
{
    auto t = std::make_unique<TThermometer>(TThermometer{
        config, TPublishPolicy(IntervalS(FConfig, config) * 1000LL, FConfig.ChangeStep), nullptr});
    TThermometer* self = t.get();
    TThermometerLink::THandlers h;
    h.OnFrame = [this, self](const TDeviceFrame& frame) { Frame(*self, frame); };
    h.OnLost = [this, self] {
        self->Policy.Lost();
        Tick();
    };
    h.OnLog = [this, self](const QString& line) {
        Log(self->Config.Id + QStringLiteral(": ") + line);
    };
    // The reader has checked the address.
    t->Link = std::make_unique<TThermometerLink>(FLoop, *ParseDeviceAddress(config.Address),
                                                 std::move(h));
    t->Link->Open();
    FRemoved.removeAll(config.Id);
    FThermometers[config.Id] = std::move(t);
}

void TBridge::BrokerConnected()
{
    FRepublish.stop(); // all of it goes now
    FClient->Publish(BridgeAvailabilityTopic(FConfig), Online, true);
    FClient->Subscribe(HomeAssistantStatusTopic(FConfig));
    for (const QString& id : std::exchange(FRemoved, {})) {
        FClient->Publish(DiscoveryTopic(FConfig, id), {}, true);
        FClient->Publish(AvailabilityTopic(FConfig, id), {}, true);
    }
    PublishDiscovery();
}

void TBridge::Message(const QString& topic, const QByteArray& payload)
{
    // Home Assistant started again: it wants the configs, then the states.
    if (topic == HomeAssistantStatusTopic(FConfig) && payload == Online && !FRepublish.isActive())
        FRepublish.start(RepublishDelayMs());
}

void TBridge::PublishDiscovery()
{
    for (auto& [id, t] : FThermometers) {
        FClient->Publish(DiscoveryTopic(FConfig, id), DiscoveryPayload(FConfig, t->Config), true);
        t->Policy.SendAgain();
    }
    Tick();
}

void TBridge::Frame(TThermometer& t, const TDeviceFrame& frame)
{
    t.Policy.Frame(frame.Celsius, Now());
    Tick();
}

void TBridge::Tick()
{
    const qint64 now = Now();
    std::optional<qint64> next;
    const auto consider = [&next](std::optional<qint64> at) {
        if (at && (!next || *at < *next))
            next = at;
    };
    for (auto& [id, t] : FThermometers) {
        if (t->Policy.Silent(now)) {
            t->Link->Restart(
                QStringLiteral("no frame for %1 s").arg(ExpireAfterS(FConfig, t->Config)));
            continue; // the link reported the loss, which ticked
        }
        if (FClient && FClient->IsConnected()) {
            const TPublishPolicy::TDue due = t->Policy.Poll(now);
            if (due.Available)
                FClient->Publish(AvailabilityTopic(FConfig, id), *due.Available ? Online : Offline,
                                 true);
            if (due.Reading)
                FClient->Publish(StateTopic(FConfig, id), ReadingPayload(*due.Reading), false, 0);
            consider(t->Policy.PublishAt());
        }
        consider(t->Policy.SilentAt());
    }
    if (next)
        FTimer.start(static_cast<int>(std::clamp<qint64>(*next - now, 0, 24LL * 3600 * 1000)));
    else
        FTimer.stop();
}

void TBridge::Reload(TBridgeConfig config)
{
    const bool brokerChanged = config.Broker != FConfig.Broker ||
                               config.TopicPrefix != FConfig.TopicPrefix ||
                               config.DiscoveryPrefix != FConfig.DiscoveryPrefix;
    const TBridgeConfig old = std::exchange(FConfig, std::move(config));
    QSet<QString> kept;
    for (const TThermometerConfig& t : FConfig.Thermometers) {
        kept.insert(t.Id);
        auto it = FThermometers.find(t.Id);
        if (it != FThermometers.end() && it->second->Config.Address == t.Address) {
            it->second->Config = t;
            it->second->Policy.SetInterval(IntervalS(FConfig, t) * 1000LL, FConfig.ChangeStep);
        } else {
            AddThermometer(t);
        }
    }
    for (auto it = FThermometers.begin(); it != FThermometers.end();) {
        if (kept.contains(it->first)) {
            ++it;
            continue;
        }
        Log(it->first + QStringLiteral(": removed"));
        FRemoved.append(it->first);
        it = FThermometers.erase(it);
    }
    if (!brokerChanged) {
        if (FClient->IsConnected())
            BrokerConnected();
        return;
    }
    Log(QStringLiteral("broker settings changed: connecting again"));
    // Removed thermometers are emptied where they were announced, and the old session
    // says goodbye before the new one starts.
    for (const QString& id : std::exchange(FRemoved, {})) {
        FClient->Publish(DiscoveryTopic(old, id), {}, true);
        FClient->Publish(AvailabilityTopic(old, id), {}, true);
    }
    FClient->Stop([this] {
        QTimer::singleShot(0, [this] {
            GuardedCall([this] {
                QString error;
                FClient = NewClient();
                if (!FClient->Start(&error))
                    Log(error);
            });
        });
    });
}

void TBridge::Stop(std::function<void()> done)
{
    FTimer.stop();
    FRepublish.stop();
    FThermometers.clear();
    FClient->Stop(std::move(done));
}

void TBridge::Log(const QString& line)
{
    std::fprintf(stderr, "zvk-mqtt: %s\n", line.toUtf8().constData());
}
