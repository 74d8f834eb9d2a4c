#include "MqttClient.h"

#include "ExceptionGuard.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mosquitto.h>
#include <mutex>
#include <system_error>
#include <thread>

namespace {
constexpr int KeepAliveS = 30;
constexpr int MaxPauseS = 60;
constexpr int StopLimitMs = 3000;
const QByteArray Offline = QByteArrayLiteral("offline");

TMqttClient::TConnectCall ConnectCall = mosquitto_connect_async;

QString ErrorText(int rc, int error = errno)
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(error));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

// At exit the library is cleaned up after the last connect worker ends (at most the
// resolver's own time limit), never under its feet.
struct TLibrary {
    std::mutex Lock;
    std::condition_variable Idle;
    int Workers = 0;
    TLibrary() { mosquitto_lib_init(); }
    ~TLibrary()
    {
        std::unique_lock lock(Lock);
        Idle.wait(lock, [this] { return Workers == 0; });
        mosquitto_lib_cleanup();
    }
    void WorkerStarted()
    {
        const std::lock_guard lock(Lock);
        ++Workers;
    }
    void WorkerEnded()
    {
        const std::lock_guard lock(Lock);
        if (--Workers == 0)
            Idle.notify_all();
    }
};

TLibrary& Library()
{
    static TLibrary library;
    return library;
}
} // namespace

struct TMqttClient::TConnectJob {
    std::mutex Lock;
    TMqttClient* Client = nullptr; // null once the client is gone: the worker destroys the handle
    QObject* Context = nullptr;
    bool Done = false;
};

void TMqttClient::SetConnectCall(TConnectCall call)
{
    ConnectCall = call ? call : mosquitto_connect_async;
}

TMqttClient::TMqttClient(const TBrokerConfig& broker, const QString& willTopic, THandlers handlers)
    : FBroker(broker), FWillTopic(willTopic), FHandlers(std::move(handlers))
{
    Library();
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
    if (FJob) {
        const std::lock_guard lock(FJob->Lock);
        FJob->Client = nullptr;
        if (!FJob->Done)
            FMosq = nullptr; // the worker's now
    }
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

// libmosquitto resolves the broker's name inside the connect call, with a blocking
// getaddrinfo. Resolving here and passing the address would lose the name that TLS checks
// the certificate against and sends as SNI, so the whole call runs on a worker. The handle
// is the worker's until its answer arrives: no notifier (Sync), keep-alive, publish or stop
// touches it meanwhile, and its callbacks get no client.
void TMqttClient::Connect()
{
    if (FStopping || FJob)
        return;
    Log(QStringLiteral("connecting to %1:%2").arg(FBroker.Host).arg(FBroker.Port));
    FKeepAlive.stop();
    FJob = std::make_shared<TConnectJob>();
    FJob->Client = this;
    FJob->Context = &FContext;
    Sync(); // drops the notifiers: the connect closes the old socket
    mosquitto_user_data_set(FMosq, nullptr);
    Library().WorkerStarted();
    try {
        std::thread([job = FJob, mosq = FMosq, call = ConnectCall, host = FBroker.Host.toUtf8(),
                     port = FBroker.Port] {
            const int rc = call(mosq, host.constData(), port, KeepAliveS);
            const int error = errno;
            bool orphan = false;
            {
                const std::lock_guard lock(job->Lock);
                job->Done = true;
                orphan = !job->Client;
                if (!orphan)
                    QMetaObject::invokeMethod(
                        job->Context,
                        [job, rc, error] {
                            GuardedCall([&] {
                                if (job->Client)
                                    job->Client->ConnectDone(rc, error);
                            });
                        },
                        Qt::QueuedConnection);
            }
            if (orphan)
                mosquitto_destroy(mosq);
            Library().WorkerEnded();
        }).detach();
    } catch (const std::system_error& e) {
        Library().WorkerEnded();
        ConnectDone(MOSQ_ERR_ERRNO, e.code().value());
    }
}

void TMqttClient::ConnectDone(int rc, int error)
{
    FJob.reset();
    mosquitto_user_data_set(FMosq, this);
    if (FStopping)
        return; // the stop is reported; the destructor closes what the connect opened
    if (rc != MOSQ_ERR_SUCCESS) {
        Lost(ErrorText(rc, error));
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
    const int socket = FMosq && !FJob ? mosquitto_socket(FMosq) : -1;
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
    if (!client)
        return; // called from inside a connect on its worker
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
    if (!client)
        return; // called from inside a connect on its worker
    GuardedCall([client, rc] { client->Lost(ErrorText(rc)); });
}

void TMqttClient::MessageCallback(mosquitto*, void* self, const mosquitto_message* message)
{
    auto* client = static_cast<TMqttClient*>(self);
    if (!client)
        return; // called from inside a connect on its worker
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
