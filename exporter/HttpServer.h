#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct MHD_Connection;
struct MHD_Daemon;
class QSocketNotifier;
class QTimer;

struct THttpResponse {
    unsigned Status = 200;
    QByteArray ContentType = "text/plain; charset=utf-8";
    QByteArray Body;
    QList<QPair<QByteArray, QByteArray>> Headers;
};

// One request. The handler answers it at once or keeps it and calls Respond later (the
// connection is suspended meanwhile); a response after the client is gone is dropped.
class THttpExchange {
public:
    QByteArray Method;
    QByteArray Path;
    QList<QPair<QByteArray, QByteArray>> Query;   // decoded, in order
    QList<QPair<QByteArray, QByteArray>> Headers; // names as sent
    std::optional<QByteArray> QueryValue(const QByteArray& key) const;
    std::optional<QByteArray> Header(const QByteArray& name) const; // case-insensitive

    void Respond(THttpResponse response);
    bool Answered() const { return FAnswered; }

private:
    friend class THttpServer;
    friend struct THttpCallbacks;
    bool FAnswered = false;
    bool FGone = false;
    bool FSuspended = false;
    MHD_Connection* FConnection = nullptr;
    std::optional<THttpResponse> FResponse;
    std::function<void()> FWake; // runs the server once the connection is resumed
};
using TExchangePtr = std::shared_ptr<THttpExchange>;

struct THttpLimits {
    unsigned MaxConnections = 1024;
    unsigned IdleTimeoutSeconds = 30; // a client that sends nothing for this long is closed
    size_t MemoryPerConnection = size_t{32} * 1024; // request line and headers must fit in it
};

// HTTP with libmicrohttpd on the thread's Qt event loop: each listener's epoll descriptor is
// watched by one notifier, and its timer follows MHD_get_timeout.
class THttpServer {
public:
    using THandler = std::function<void(const TExchangePtr&)>;
    explicit THttpServer(THandler handler, THttpLimits limits = {});
    ~THttpServer();
    THttpServer(const THttpServer&) = delete;
    THttpServer& operator=(const THttpServer&) = delete;

    // "host:port", "[v6]:port" or ":port" (every address). An empty result means listening;
    // otherwise the reason it failed. With tls, each handshake takes TlsCredentials' current
    // certificate and key.
    QString Listen(const QString& address, bool tls);
    // The ports actually bound, in Listen order (port 0 picks a free one).
    QList<quint16> Ports() const;
    // Answers the requests still waiting with 503 and closes every listener.
    void Stop();

private:
    struct TListener;
    friend struct THttpCallbacks;
    void Drive(TListener& listener);
    void WakeSoon();

    THandler FHandler;
    THttpLimits FLimits;
    std::vector<std::unique_ptr<TListener>> FListeners;
    std::vector<std::weak_ptr<THttpExchange>> FWaiting;
    std::unique_ptr<QTimer> FWake;
};
