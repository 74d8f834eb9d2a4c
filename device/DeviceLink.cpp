#include "DeviceLink.h"

#include "ExceptionGuard.h"
#include "IdSocketErrors.h"
#include "ReadingValue.h"

#include <QStringList>

#include <cerrno>
#include <netdb.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int ReadChunk = 4096;
// Reads per readiness report: a peer that floods cannot starve the others.
constexpr int ReadsPerEvent = 16;

// A frame for the log: printable ASCII as it is, the rest as \r or \xNN.
QString Printable(const QByteArray& raw)
{
    QString text;
    for (const char c : raw) {
        const auto u = static_cast<unsigned char>(c);
        if (u == '\r')
            text += QStringLiteral("\\r");
        else if (u >= 0x20 && u < 0x7F && u != '\\')
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(u, 2, 16, QChar(u'0'));
    }
    return text;
}

QString FrameLogLine(const TDeviceFrame& frame)
{
    const QString head = QStringLiteral("frame ") + Printable(frame.Raw) + QStringLiteral(": ");
    if (frame.Reading.Result != TReadingResult::Reading)
        return head + QStringLiteral("not a whole \"B\" frame");
    if (!frame.Celsius)
        return head + QStringLiteral("value \"%1\" is not a number").arg(frame.Reading.Text);
    return head + QStringLiteral("reading ") + PlainNumber(RawReadingText(frame.Reading.Text));
}

QString OneLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}
} // namespace

TDeviceLink::TDeviceLink(TDeviceLoop& loop, quint64 id,
                         std::shared_ptr<const TDeviceConnection::THandlers> handlers,
                         TDeviceAddress address, int connectTimeoutMs)
    : FLoop(loop), FId(id), FHandlers(std::move(handlers)), FAddress(std::move(address)),
      FConnectTimeoutMs(connectTimeoutMs)
{
}

TDeviceLink::~TDeviceLink()
{
    Shut();
}

void TDeviceLink::Start()
{
    TDeviceLoop& loop = FLoop;
    const quint64 id = FId;
    if (FConnectTimeoutMs > 0)
        FDeadline = loop.AddTimer(FConnectTimeoutMs, [&loop, id] {
            if (TDeviceLink* link = loop.FindLink(id)) {
                link->FDeadline = 0;
                if (link->FState != Connected)
                    link->Fail(ConnectTimeoutFailure());
            }
        });
    FBegin = loop.AddTimer(0, [&loop, id] {
        if (TDeviceLink* link = loop.FindLink(id)) {
            link->FBegin = 0;
            link->Begin();
        }
    });
}

void TDeviceLink::Begin()
{
    const QByteArray host = FAddress.Host.toLatin1();
    TSocketAddress numeric;
    if (ParseNumericAddress(host, FAddress.Port, &numeric)) {
        FCandidates.push_back(numeric);
        TryNextAddress();
        return;
    }
    Log(QStringLiteral("resolving ") + FAddress.Host);
    if (FState == Ended)
        return;
    if (IsInvalidName(FAddress.Host)) {
        Fail(ResolveFailure(EAI_NONAME, 0));
        return;
    }
    FState = Resolving;
    FLoop.Resolve(FId, host, FAddress.Port);
}

void TDeviceLink::OnResolved(const TResolveAnswer& answer)
{
    if (FState != Resolving)
        return;
    if (answer.GaiError != 0) {
        Fail(ResolveFailure(answer.GaiError, answer.SysErrno));
        return;
    }
    FCandidates = answer.Addresses;
    if (Logging()) {
        QStringList texts;
        for (const TSocketAddress& a : FCandidates)
            texts << SocketHostText(a);
        Log(QStringLiteral("resolved %1 to %2")
                .arg(FAddress.Host, texts.join(QStringLiteral(", "))));
        if (FState == Ended)
            return;
    }
    TryNextAddress();
}

void TDeviceLink::TryNextAddress()
{
    FState = Connecting;
    while (FNextCandidate < FCandidates.size()) {
        const TSocketAddress& address = FCandidates[FNextCandidate++];
        if (Logging())
            Log(QStringLiteral("connecting to ") + SocketAddressText(address));
        if (FState == Ended)
            return;
        FFd = ::socket(address.Storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (FFd < 0) {
            FLastError = SocketErrorFromErrno(errno);
            break; // out of descriptors or memory: the next address would fare no better
        }
        const int rc =
            ::connect(FFd, reinterpret_cast<const sockaddr*>(&address.Storage), address.Length);
        if (rc == 0 || errno == EINPROGRESS) {
            if (!FLoop.Watch(FFd, FId, EPOLLOUT, false)) {
                FLastError = SocketErrorFromErrno(errno);
                Shut();
                break;
            }
            FWatched = EPOLLOUT;
            return; // the completion, even an immediate one, arrives as EPOLLOUT
        }
        FLastError = SocketErrorFromErrno(errno);
        Log(QStringLiteral("connect to %1 failed: %2")
                .arg(SocketAddressText(address), OneLine(SocketErrorMessage(FLastError))));
        Shut();
        if (FState == Ended)
            return;
    }
    Fail(SocketFailure(FLastError ? FLastError : Id_WSAEHOSTUNREACH));
}

void TDeviceLink::OnReady(quint32 events)
{
    if (FState == Connecting)
        ConnectFinished();
    else if (FState == Connected && (events & (EPOLLIN | EPOLLRDHUP | EPOLLERR | EPOLLHUP)))
        Receive();
}

void TDeviceLink::ConnectFinished()
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(FFd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    // A reset (not a refusal) means the connection was made and the peer has already reset
    // it; the bytes it sent before are still queued, and SO_ERROR has just cleared the
    // reset, so it is kept for when they are read.
    if (error == ECONNRESET) {
        FPendingReset = SocketErrorFromErrno(error);
        error = 0;
    }
    if (error != 0) {
        FLastError = SocketErrorFromErrno(error);
        Log(QStringLiteral("connect to %1 failed: %2")
                .arg(SocketAddressText(FCandidates[FNextCandidate - 1]),
                     OneLine(SocketErrorMessage(FLastError))));
        Shut();
        if (FState != Ended)
            TryNextAddress();
        return;
    }
    FState = Connected;
    UpdateWatch();
    FLoop.CancelTimer(FDeadline);
    FDeadline = 0;
    FCandidates = {};
    Log(QStringLiteral("connected"));
    if (FState == Connected && FHandlers->OnConnected)
        GuardedCall(FHandlers->OnConnected);
}

void TDeviceLink::SetReading(bool on)
{
    if (on == FReading)
        return;
    FReading = on;
    if (FState != Connected)
        return;
    if (!on) {
        UpdateWatch();
        return;
    }
    // What came while paused waits in the socket and the splitter: it is read now, so a
    // frame already there is delivered before this returns, without a round through the
    // loop, and the socket is watched for more only if none was.
    FDraining = true;
    TDeviceLoop& loop = FLoop;
    const quint64 id = FId;
    loop.AsDispatch([this] { Receive(); });
    if (TDeviceLink* link = loop.FindLink(id); link && link->FState == Connected)
        link->UpdateWatch();
}

quint32 TDeviceLink::WatchedEvents() const
{
    // Paused, a close or reset still wakes us (EPOLLRDHUP; EPOLLERR and EPOLLHUP always do).
    return FReading ? EPOLLIN | EPOLLRDHUP : EPOLLRDHUP;
}

// The set is changed only when the events differ: a link resumed and paused again within one
// SetReading(true), by a handler given a frame that waited, changes nothing in the kernel.
void TDeviceLink::UpdateWatch()
{
    const quint32 events = WatchedEvents();
    if (events != FWatched && FLoop.Watch(FFd, FId, events, true))
        FWatched = events;
}

void TDeviceLink::Receive()
{
    char buffer[ReadChunk];
    for (int i = 0; i < ReadsPerEvent; ++i) {
        const ssize_t n = ::recv(FFd, buffer, sizeof buffer, 0);
        if (n > 0) {
            if (Logging())
                Log(QStringLiteral("received %1 bytes").arg(n));
            FSplitter.Append(buffer, n);
            if (!FReading || FDraining)
                KeepNewest();
            else
                DeliverFrames();
            // A short read drained the socket: the level-triggered set reports what comes
            // next (more bytes, the close, a reset), which saves a recv() per wake-up.
            if (FState != Connected)
                return;
            if (n < ReadChunk) {
                FinishDrain();
                return;
            }
            continue;
        }
        const int error = errno;
        if (n < 0 && error == EINTR)
            continue;
        // The frames that came before a close or reset are still answered.
        FinishDrain();
        if (FState != Connected)
            return;
        if (n == 0) {
            Fail(FPendingReset ? SocketFailure(FPendingReset) : GracefulCloseFailure());
            return;
        }
        if (error != EAGAIN && error != EWOULDBLOCK)
            Fail(SocketFailure(SocketErrorFromErrno(error)));
        return;
    }
}

void TDeviceLink::KeepNewest()
{
    while (std::optional<QByteArray> raw = FSplitter.NextRaw()) {
        if (!FNewest.isEmpty())
            ++FSkipped;
        FNewest = std::move(*raw);
    }
}

void TDeviceLink::FinishDrain()
{
    if (!FReading || !FDraining)
        return;
    FDraining = false;
    KeepNewest();
    if (const int skipped = std::exchange(FSkipped, 0); skipped > 0 && Logging())
        Log(QStringLiteral("%1 older frames skipped").arg(skipped));
    if (FNewest.isEmpty())
        return;
    const TDeviceFrame frame = MakeDeviceFrame(std::exchange(FNewest, {}));
    if (Logging())
        Log(FrameLogLine(frame));
    if (FState == Connected && FHandlers->OnFrame)
        GuardedCall([&] { FHandlers->OnFrame(frame); });
    if (FState == Connected && FReading)
        DeliverFrames();
}

void TDeviceLink::DeliverFrames()
{
    while (FReading) {
        std::optional<TDeviceFrame> frame = FSplitter.Next();
        if (!frame)
            break;
        if (Logging())
            Log(FrameLogLine(*frame));
        if (FState != Connected)
            return;
        if (FHandlers->OnFrame)
            GuardedCall([&] { FHandlers->OnFrame(*frame); });
        if (FState != Connected)
            return;
    }
    if (const qsizetype dropped = FSplitter.TakeDropped(); dropped > 0 && Logging())
        Log(QStringLiteral("dropped %1 bytes without a frame").arg(dropped));
}

void TDeviceLink::Fail(const TDeviceError& error)
{
    Log(QStringLiteral("failed (%1): %2")
            .arg(QLatin1String(ReasonName(error.Reason)), OneLine(error.Message)));
    if (FState == Ended)
        return;
    Close();
    if (FHandlers->OnFailed)
        GuardedCall([&] { FHandlers->OnFailed(error); });
}

void TDeviceLink::Log(const QString& line)
{
    if (FState != Ended && Logging())
        GuardedCall([&] { FHandlers->OnLog(line); });
}

bool TDeviceLink::Logging() const
{
    return FHandlers->OnLog && (!FHandlers->LogWanted || FHandlers->LogWanted());
}

void TDeviceLink::Close()
{
    if (FState == Ended)
        return;
    FState = Ended;
    Shut();
    FLoop.CancelTimer(FDeadline);
    FLoop.CancelTimer(FBegin);
    FDeadline = FBegin = 0;
    FLoop.ReleaseLink(FId); // may free this link when no dispatch is in progress
}

void TDeviceLink::Shut()
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
}
