#pragma once

#include "BridgeConfig.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class QSocketNotifier;
struct mosquitto;
struct mosquitto_message;

// libmosquitto driven from the thread's Qt event loop: its socket watched by notifiers,
// its keep-alive run by a timer; only the connect call, which resolves the broker's name,
// runs on a worker thread. Keeps itself connected: after a loss or a failed attempt it
// tries again after a pause that doubles from 1 s to 60 s.
class TMqttClient {
public:
    using TConnectCall = int (*)(mosquitto*, const char* host, int port, int keepAlive);
    struct THandlers {
        std::function<void()> OnConnected; // the broker accepted the session
        std::function<void(const QString& topic, const QByteArray& payload)> OnMessage;
        std::function<void(const QString& line)> OnLog;
    };
    // The will: a retained "offline" on willTopic, published by the broker when the
    // connection dies without a clean disconnect.
    TMqttClient(const TBrokerConfig& broker, const QString& willTopic, THandlers handlers);
    ~TMqttClient();
    TMqttClient(const TMqttClient&) = delete;
    TMqttClient& operator=(const TMqttClient&) = delete;

    bool Start(QString* error); // sets the session up and starts connecting
    bool IsConnected() const { return FConnected; }
    // QoS 1 for what is retained; a reading goes with QoS 0, so that a lost connection
    // does not send an old one again after the reconnect.
    void Publish(const QString& topic, const QByteArray& payload, bool retain, int qos = 1);
    void Subscribe(const QString& topic);
    // Publishes the retained "offline" itself, disconnects cleanly and calls done once the
    // broker has it, or after a few seconds whatever happened.
    void Stop(std::function<void()> done);
    // Tests stand in for mosquitto_connect_async (a name lookup that never answers).
    static void SetConnectCall(TConnectCall call);

private:
    struct TConnectJob;

    static void ConnectCallback(mosquitto*, void* self, int rc);
    static void DisconnectCallback(mosquitto*, void* self, int rc);
    static void MessageCallback(mosquitto*, void* self, const mosquitto_message* message);

    void Connect();
    void ConnectDone(int rc, int error);
    void Lost(const QString& why);
    void Sync(); // watches the current socket; asks for writability while data waits
    void Log(const QString& line);

    TBrokerConfig FBroker;
    QString FWillTopic;
    THandlers FHandlers;
    mosquitto* FMosq = nullptr;
    int FSocket = -1;
    std::unique_ptr<QSocketNotifier> FReadable, FWritable;
    QTimer FKeepAlive, FRetry, FStopLimit;
    int FPauseS = 1;
    bool FConnected = false;
    bool FStopping = false;
    std::function<void()> FStopped;
    std::shared_ptr<TConnectJob> FJob; // a connect running on its worker
    QObject FContext;                  // receives the worker's answer on this thread
};
