#include "MqttClient.h"

#include "ExceptionGuard.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mosquitto.h>

namespace {
constexpr int KeepAliveS = 30;
constexpr int MaxPauseS = 60;
constexpr int StopLimitMs = 3000;
const QByteArray Offline = QByteArrayLiteral("offline");

QString ErrorText(int rc)
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

struct TLibrary {
    TLibrary() { mosquitto_lib_init(); }
    ~TLibrary() { mosquitto_lib_cleanup(); }
};
} // namespace

TMqttClient::TMqttClient(const TBrokerConfig& broker, const QString& willTopic, THandlers handlers)
    : FBroker(broker), FWillTopic(willTopic), FHandlers(std::move(handlers))
{
    static TLibrary library;
    FKeepAlive.setInterval(KeepAliveS * 1000 / 6);
    QObject::connect(&FKeepAlive, &QTimer::timeout, [this] {
        GuardedCall([this] {
            const int rc = mosquitto_loop_misc(FMosq);
            if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_NO_CONN)
                Lost(ErrorText(rc));
            Sync();
        });
    });
    FRetry.setSingleShot(true);
    QObject::connect(&FRetry, &QTimer::timeout, [this] { GuardedCall([this] { Connect(); }); });
    FStopLimit.setSingleShot(true);
    QObject::connect(&FStopLimit, &QTimer::timeout, [this] {
        GuardedCall([this] {
            if (FStopped)
                std::exchange(FStopped, nullptr)();
        });
    });
}

TMqttClient::~TMqttClient()
{
    FReadable.reset();
    FWritable.reset();
    if (FMosq)
        mosquitto_destroy(FMosq);
}

bool TMqttClient::Start(QString* error)
{
    FMosq = mosquitto_new(FBroker.ClientId.toUtf8().constData(), true, this);
    if (!FMosq) {
        *error =
            QStringLiteral("cannot create the MQTT session: %1").arg(ErrorText(MOSQ_ERR_ERRNO));
        return false;
    }
    mosquitto_connect_callback_set(FMosq, ConnectCallback);
    mosquitto_disconnect_callback_set(FMosq, DisconnectCallback);
    mosquitto_message_callback_set(FMosq, MessageCallback);
    int rc = mosquitto_will_set(FMosq, FWillTopic.toUtf8().constData(), int(Offline.size()),
                                Offline.constData(), 1, true);
    if (rc == MOSQ_ERR_SUCCESS && !FBroker.Username.isEmpty())
        rc = mosquitto_username_pw_set(
            FMosq, FBroker.Username.toUtf8().constData(),
            FBroker.Password.isEmpty() ? nullptr : FBroker.Password.toUtf8().constData());
    if (rc == MOSQ_ERR_SUCCESS && FBroker.Tls) {
        const auto path = [](const QString& name) {
            return name.isEmpty() ? QByteArray() : name.toLocal8Bit();
        };
        const QByteArray ca = path(FBroker.CaFile), cert = path(FBroker.CertFile),
                         key = path(FBroker.KeyFile);
        // Without a CA file the system's trusted certificates check the broker.
        rc = mosquitto_tls_set(FMosq, ca.isEmpty() ? nullptr : ca.constData(),
                               ca.isEmpty() ? "/etc/ssl/certs" : nullptr,
                               cert.isEmpty() ? nullptr : cert.constData(),
                               key.isEmpty() ? nullptr : key.constData(), nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = QStringLiteral("cannot set the MQTT session up: %1").arg(ErrorText(rc));
        return false;
    }
    Connect();
    return true;
}

// FIXME: libmosquitto resolves the broker's name with a blocking lookup; a name served
// from /etc/hosts or an address does not wait.
void TMqttClient::Connect()
{
    if (FStopping)
        return;
    Log(QStringLiteral("connecting to %1:%2").arg(FBroker.Host).arg(FBroker.Port));
    const int rc =
        mosquitto_connect_async(FMosq, FBroker.Host.toUtf8().constData(), FBroker.Port, KeepAliveS);
    if (rc != MOSQ_ERR_SUCCESS) {
        Lost(ErrorText(rc));
        return;
    }
    Sync();
}

void TMqttClient::Lost(const QString& why)
{
    const bool was = FConnected;
    FConnected = false;
    FKeepAlive.stop();
    if (FStopping) {
        if (FStopped)
            QTimer::singleShot(0, [this] {
                GuardedCall([this] {
                    if (FStopped)
                        std::exchange(FStopped, nullptr)();
                });
            });
        return;
    }
    if (FRetry.isActive())
        return;
    Log(QStringLiteral("%1: %2; trying again in %3 s")
            .arg(was ? QStringLiteral("broker connection lost")
                     : QStringLiteral("cannot connect to the broker"),
                 why)
            .arg(FPauseS));
    FRetry.start(FPauseS * 1000);
    FPauseS = std::min(FPauseS * 2, MaxPauseS);
    Sync();
}

void TMqttClient::Sync()
{
    const int socket = FMosq ? mosquitto_socket(FMosq) : -1;
    if (socket != FSocket) {
        // A notifier may be the sender of the signal being handled: let the loop delete it.
        for (std::unique_ptr<QSocketNotifier>* n : {&FReadable, &FWritable})
            if (*n) {
                (*n)->setEnabled(false);
                n->release()->deleteLater();
            }
        FSocket = socket;
        if (socket >= 0) {
            FReadable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
            FWritable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
            QObject::connect(FReadable.get(), &QSocketNotifier::activated, [this] {
                GuardedCall([this] {
                    const int rc = mosquitto_loop_read(FMosq, 1);
                    if (rc != MOSQ_ERR_SUCCESS)
                        Lost(ErrorText(rc));
                    Sync();
                });
            });
            QObject::connect(FWritable.get(), &QSocketNotifier::activated, [this] {
                GuardedCall([this] {
                    const int rc = mosquitto_loop_write(FMosq, 1);
                    if (rc != MOSQ_ERR_SUCCESS)
                        Lost(ErrorText(rc));
                    Sync();
                });
            });
        }
    }
    if (FWritable)
        FWritable->setEnabled(mosquitto_want_write(FMosq));
}

void TMqttClient::Publish(const QString& topic, const QByteArray& payload, bool retain, int qos)
{
    if (!FConnected)
        return;
    const int rc = mosquitto_publish(FMosq, nullptr, topic.toUtf8().constData(),
                                     int(payload.size()), payload.constData(), qos, retain);
    if (rc != MOSQ_ERR_SUCCESS)
        Log(QStringLiteral("cannot publish to %1: %2").arg(topic, ErrorText(rc)));
    Sync();
}

void TMqttClient::Subscribe(const QString& topic)
{
    if (!FConnected)
        return;
    mosquitto_subscribe(FMosq, nullptr, topic.toUtf8().constData(), 1);
    Sync();
}

void TMqttClient::Stop(std::function<void()> done)
{
    FStopping = true;
    FRetry.stop();
    FStopped = std::move(done);
    if (!FConnected) {
        Lost(QString());
        return;
    }
    Publish(FWillTopic, Offline, true);
    FStopLimit.start(StopLimitMs);
    mosquitto_disconnect(FMosq);
    Sync();
}

void TMqttClient::ConnectCallback(mosquitto*, void* self, int rc)
{
    auto* client = static_cast<TMqttClient*>(self);
    GuardedCall([client, rc] {
        if (rc != 0) {
            client->Log(QStringLiteral("the broker refused the connection: %1")
                            .arg(QString::fromUtf8(mosquitto_connack_string(rc))));
            return; // the broker closes it: the disconnect callback follows
        }
        client->Log(QStringLiteral("connected to the broker"));
        client->FConnected = true;
        client->FPauseS = 1;
        client->FKeepAlive.start();
        if (client->FHandlers.OnConnected)
            client->FHandlers.OnConnected();
    });
}

void TMqttClient::DisconnectCallback(mosquitto*, void* self, int rc)
{
    auto* client = static_cast<TMqttClient*>(self);
    GuardedCall([client, rc] { client->Lost(ErrorText(rc)); });
}

void TMqttClient::MessageCallback(mosquitto*, void* self, const mosquitto_message* message)
{
    auto* client = static_cast<TMqttClient*>(self);
    GuardedCall([client, message] {
        if (client->FHandlers.OnMessage)
            client->FHandlers.OnMessage(
                QString::fromUtf8(message->topic),
                QByteArray(static_cast<const char*>(message->payload), message->payloadlen));
    });
}

void TMqttClient::Log(const QString& line)
{
    if (FHandlers.OnLog)
        FHandlers.OnLog(line);
}
