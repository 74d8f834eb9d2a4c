#include "IdIOHandlerSocket.h"

#include "IdConnectThread.h"
#include "IdException.h"
#include "IdMessages.h"
#include "MessageFormat.h"

#include <chrono>
#include <sys/socket.h>
#include <thread>

namespace {
constexpr int ConnectStepMs = 125;

void SleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
} // namespace

TIdIOHandlerSocket::TIdIOHandlerSocket(TComponent* owner) : TIdIOHandler(owner) {}

TIdIOHandlerSocket::~TIdIOHandlerSocket()
{
    FBinding.reset();
}

const TClassInfo& TIdIOHandlerSocket::StaticClassInfo()
{
    static const TClassInfo info{"TIdIOHandlerSocket", &TIdIOHandler::StaticClassInfo(), {}};
    return info;
}

void TIdIOHandlerSocket::Close()
{
    if (FBinding)
        FBinding->CloseSocket();
}

void TIdIOHandlerSocket::ConnectClient(const QString& host, int port, const QString& boundIP,
                                       int boundPort, int boundPortMin, int boundPortMax,
                                       int timeout)
{
    FBinding->AllocateSocket(SOCK_STREAM);
    FBinding->SetIP(boundIP);
    FBinding->SetPort(boundPort);
    FBinding->SetClientPortMin(boundPortMin);
    FBinding->SetClientPortMax(boundPortMax);
    FBinding->Bind();

    if (!TIdStack::IsIP(host))
        DoStatus(hsResolving, Format(IdMessages::StatusResolving, {host}));
    FBinding->SetPeerIP(SocketStack()->ResolveHost(host));
    FBinding->SetPeerPort(port);
    DoStatus(hsConnecting, Format(IdMessages::StatusConnecting, {FBinding->PeerIP()}));

    if (timeout != -1 && timeout != 0) {
        TimedConnect(timeout);
    } else {
        SocketStack()->CheckForSocketError(FBinding->Connect());
        FBinding->UpdateBindingLocal();
        FBinding->UpdateBindingPeer();
    }
}

// The caller sleeps in steps of 125 ms and looks at the worker after each. On time-out
// the worker is woken and joined before the socket is closed, so that no thread can use
// the descriptor after close() (its number may be reused at once).
void TIdIOHandlerSocket::TimedConnect(int timeout)
{
    TIdConnectThread worker(FBinding.get());
    worker.Start();
    const bool unlimited = timeout == IdTimeoutInfinite;
    int left = unlimited ? ConnectStepMs + 1 : timeout;
    while (left > ConnectStepMs) {
        SleepMs(ConnectStepMs);
        if (!unlimited)
            left -= ConnectStepMs;
        if (worker.Finished()) {
            left = 0;
            break;
        }
    }
    SleepMs(left);
    if (worker.Finished()) {
        if (!worker.ErrorMessage().isEmpty())
            throw EIdConnectException(worker.ErrorMessage());
        return;
    }
    worker.Terminate();
    worker.WaitFor();
    Close();
    throw EIdConnectTimeout(IdMessages::ConnectTimeout);
}

bool TIdIOHandlerSocket::Connected()
{
    return FBinding && FBinding->HandleAllocated();
}

void TIdIOHandlerSocket::Open()
{
    if (FBinding)
        FBinding->Reset();
    else
        FBinding = std::make_unique<TIdSocketHandle>();
}

bool TIdIOHandlerSocket::Readable(int timeoutMs)
{
    if (!Connected())
        throw EIdConnClosedGracefully(IdMessages::ConnectionClosedGracefully);
    return SocketStack()->WSPollReadable(FBinding->Handle(), timeoutMs) == 1;
}

int TIdIOHandlerSocket::Recv(void* buffer, int length)
{
    return FBinding->Recv(buffer, length);
}
