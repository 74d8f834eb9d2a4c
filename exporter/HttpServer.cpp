#include "HttpServer.h"

#include "ExceptionGuard.h"
#include "TlsCredentials.h"

#include <QSocketNotifier>
#include <QTimer>
#include <arpa/inet.h>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

std::optional<QByteArray> THttpExchange::QueryValue(const QByteArray& key) const
{
    for (const auto& [k, v] : Query)
        if (k == key)
            return v;
    return std::nullopt;
}

std::optional<QByteArray> THttpExchange::Header(const QByteArray& name) const
{
    for (const auto& [k, v] : Headers)
        if (k.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    return std::nullopt;
}

void THttpExchange::Respond(THttpResponse response)
{
    if (FAnswered)
        return;
    FAnswered = true;
    if (FGone)
        return;
    FResponse = std::move(response);
    if (FSuspended) {
        FSuspended = false;
        MHD_resume_connection(FConnection); // MHD then calls the access handler again
        if (FWake)
            FWake();
    }
}

struct THttpServer::TListener {
    MHD_Daemon* Daemon = nullptr;
    std::unique_ptr<QSocketNotifier> Notifier;
    std::unique_ptr<QTimer> Timer;
    quint16 Port = 0;
};

namespace {
// What MHD keeps per connection: the exchange, shared with whoever answers it later.
struct TConnectionContext {
    TExchangePtr Exchange;
};

MHD_Result Queue(MHD_Connection* connection, const THttpResponse& r)
{
    MHD_Response* response = MHD_create_response_from_buffer(static_cast<size_t>(r.Body.size()),
                                                             const_cast<char*>(r.Body.constData()),
                                                             MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, r.ContentType.constData());
    for (const auto& [name, value] : r.Headers)
        MHD_add_response_header(response, name.constData(), value.constData());
    const MHD_Result result = MHD_queue_response(connection, r.Status, response);
    MHD_destroy_response(response);
    return result;
}

MHD_Result CollectPair(void* list, MHD_ValueKind, const char* key, const char* value)
{
    static_cast<QList<QPair<QByteArray, QByteArray>>*>(list)->append(
        {QByteArray(key), QByteArray(value ? value : "")});
    return MHD_YES;
}

std::optional<sockaddr_in6> ParseListenAddress(const QString& text, bool& any, QString& why)
{
    const qsizetype colon = text.lastIndexOf(u':');
    bool ok = false;
    const uint port = colon < 0 ? 0 : text.mid(colon + 1).toUInt(&ok);
    if (colon < 0 || !ok || port > 65535) {
        why = QStringLiteral("listen address %1: HOST:PORT or :PORT expected").arg(text);
        return std::nullopt;
    }
    QString host = text.left(colon);
    sockaddr_in6 addr{};
    addr.sin6_family = AF_INET6;
    addr.sin6_port = htons(static_cast<uint16_t>(port));
    any = host.isEmpty();
    if (any)
        return addr;
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    else if (host == u"localhost")
        host = QStringLiteral("127.0.0.1");
    in_addr v4{};
    const QByteArray h = host.toLatin1();
    if (inet_pton(AF_INET, h.constData(), &v4) == 1) {
        // As an IPv4-mapped address; MHD is told to listen on IPv4 below.
        addr.sin6_addr.s6_addr[10] = 0xff;
        addr.sin6_addr.s6_addr[11] = 0xff;
        std::memcpy(&addr.sin6_addr.s6_addr[12], &v4, 4);
    } else if (inet_pton(AF_INET6, h.constData(), &addr.sin6_addr) != 1) {
        why =
            QStringLiteral("listen address %1: an IP address or \"localhost\" expected").arg(text);
        return std::nullopt;
    }
    return addr;
}

void Log(void*, const char* format, va_list args)
{
    // MHD's own diagnostics (bad requests, resource limits) are not the operator's concern.
    (void)format;
    (void)args;
}
} // namespace

struct THttpCallbacks {
    static MHD_Result Access(void* cls, MHD_Connection* connection, const char* url,
                             const char* method, const char*, const char*, size_t* uploadSize,
                             void** context)
    {
        // Nothing may escape into C: a handler that raised is reported and the connection
        // closed.
        MHD_Result result = MHD_NO;
        GuardedCall([&] {
            result =
                Serve(static_cast<THttpServer*>(cls), connection, url, method, uploadSize, context);
        });
        return result;
    }

    static MHD_Result Serve(THttpServer* server, MHD_Connection* connection, const char* url,
                            const char* method, size_t* uploadSize, void** context)
    {
        if (*context) {
            const TExchangePtr& exchange = static_cast<TConnectionContext*>(*context)->Exchange;
            if (*uploadSize != 0) {
                *uploadSize = 0; // a body is not read: nothing here takes one
                return MHD_YES;
            }
            if (exchange->FResponse)
                return Queue(connection, *exchange->FResponse);
            return MHD_YES;
        }
        auto* ctx = new TConnectionContext{std::make_shared<THttpExchange>()};
        *context = ctx;
        THttpExchange& e = *ctx->Exchange;
        e.FConnection = connection;
        e.Method = method;
        e.Path = url;
        MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, CollectPair, &e.Query);
        MHD_get_connection_values(connection, MHD_HEADER_KIND, CollectPair, &e.Headers);
        server->FHandler(ctx->Exchange);
        if (e.FResponse)
            return Queue(connection, *e.FResponse);
        e.FSuspended = true;
        e.FWake = [server] { server->WakeSoon(); };
        std::erase_if(server->FWaiting, [](const auto& w) { return w.expired(); });
        server->FWaiting.push_back(ctx->Exchange);
        MHD_suspend_connection(connection);
        return MHD_YES;
    }

    static void Completed(void*, MHD_Connection*, void** context, MHD_RequestTerminationCode)
    {
        auto* ctx = static_cast<TConnectionContext*>(*context);
        if (!ctx)
            return;
        ctx->Exchange->FGone = true;
        ctx->Exchange->FConnection = nullptr;
        delete ctx;
        *context = nullptr;
    }
};

THttpServer::THttpServer(THandler handler, THttpLimits limits)
    : FHandler(std::move(handler)), FLimits(limits), FWake(std::make_unique<QTimer>())
{
    // A resumed connection is only served by the next MHD_run; the epoll descriptor does not
    // always report it.
    FWake->setSingleShot(true);
    QObject::connect(FWake.get(), &QTimer::timeout, [this] {
        GuardedCall([this] {
            for (auto& l : FListeners)
                Drive(*l);
        });
    });
}

void THttpServer::WakeSoon()
{
    if (!FWake->isActive())
        FWake->start(0);
}

THttpServer::~THttpServer()
{
    Stop();
}

QString THttpServer::Listen(const QString& address, bool tls)
{
    bool any = false;
    QString why;
    const std::optional<sockaddr_in6> parsed = ParseListenAddress(address, any, why);
    if (!parsed)
        return why;
    unsigned flags = MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG;
    sockaddr_in v4{};
    const sockaddr* sa = reinterpret_cast<const sockaddr*>(&*parsed);
    if (any) {
        flags |= MHD_USE_DUAL_STACK;
    } else if (IN6_IS_ADDR_V4MAPPED(&parsed->sin6_addr)) {
        v4.sin_family = AF_INET;
        v4.sin_port = parsed->sin6_port;
        std::memcpy(&v4.sin_addr, &parsed->sin6_addr.s6_addr[12], 4);
        sa = reinterpret_cast<const sockaddr*>(&v4);
    } else {
        flags |= MHD_USE_IPv6;
    }
    if (tls)
        flags |= MHD_USE_TLS;
    const auto start = [&](unsigned withFlags, const sockaddr* at) {
        return MHD_start_daemon(
            withFlags, ntohs(parsed->sin6_port), nullptr, nullptr, &THttpCallbacks::Access, this,
            MHD_OPTION_SOCK_ADDR, at, MHD_OPTION_CONNECTION_LIMIT, FLimits.MaxConnections,
            MHD_OPTION_CONNECTION_TIMEOUT, FLimits.IdleTimeoutSeconds,
            MHD_OPTION_CONNECTION_MEMORY_LIMIT, FLimits.MemoryPerConnection,
            MHD_OPTION_NOTIFY_COMPLETED, &THttpCallbacks::Completed, this,
            MHD_OPTION_EXTERNAL_LOGGER, &Log, nullptr, MHD_OPTION_LISTEN_BACKLOG_SIZE, 128u,
            tls ? MHD_OPTION_HTTPS_CERT_CALLBACK : MHD_OPTION_END, TlsCredentials::Callback(),
            MHD_OPTION_END);
    };
    MHD_Daemon* daemon = start(flags, sa);
    if (!daemon && any) { // a host without IPv6: every IPv4 address
        v4.sin_family = AF_INET;
        v4.sin_port = parsed->sin6_port;
        daemon = start(flags & ~static_cast<unsigned>(MHD_USE_DUAL_STACK),
                       reinterpret_cast<const sockaddr*>(&v4));
    }
    if (!daemon)
        return QStringLiteral("cannot listen on %1 (address in use or not available here)")
            .arg(address);
    auto listener = std::make_unique<TListener>();
    listener->Daemon = daemon;
    const MHD_DaemonInfo* listen = MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_LISTEN_FD);
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    if (listen && getsockname(listen->listen_fd, reinterpret_cast<sockaddr*>(&bound), &len) == 0)
        listener->Port =
            ntohs(bound.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&bound)->sin_port
                                             : reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
    const MHD_DaemonInfo* epoll = MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_EPOLL_FD);
    listener->Notifier = std::make_unique<QSocketNotifier>(epoll->epoll_fd, QSocketNotifier::Read);
    listener->Timer = std::make_unique<QTimer>();
    listener->Timer->setSingleShot(true);
    TListener* raw = listener.get();
    QObject::connect(listener->Notifier.get(), &QSocketNotifier::activated,
                     [this, raw] { GuardedCall([this, raw] { Drive(*raw); }); });
    QObject::connect(listener->Timer.get(), &QTimer::timeout,
                     [this, raw] { GuardedCall([this, raw] { Drive(*raw); }); });
    FListeners.push_back(std::move(listener));
    Drive(*raw);
    return {};
}

QList<quint16> THttpServer::Ports() const
{
    QList<quint16> ports;
    for (const auto& l : FListeners)
        ports << l->Port;
    return ports;
}

void THttpServer::Drive(TListener& listener)
{
    MHD_run(listener.Daemon);
    MHD_UNSIGNED_LONG_LONG ms = 0;
    if (MHD_get_timeout(listener.Daemon, &ms) == MHD_YES)
        listener.Timer->start(static_cast<int>(std::min<MHD_UNSIGNED_LONG_LONG>(ms, 60000)));
    else
        listener.Timer->stop();
}

void THttpServer::Stop()
{
    // MHD cannot stop with a suspended connection.
    for (const auto& w : FWaiting)
        if (const TExchangePtr e = w.lock())
            e->Respond({503, "text/plain; charset=utf-8", "shutting down\n", {}});
    FWaiting.clear();
    for (auto& l : FListeners)
        MHD_run(l->Daemon);
    for (auto& l : FListeners) {
        l->Notifier.reset();
        l->Timer.reset();
        MHD_stop_daemon(l->Daemon);
    }
    FListeners.clear();
}
