#include "IdTCPConnection.h"

#include "IdException.h"
#include "IdMessages.h"
#include "IdSocketErrors.h"
#include "IdStack.h"

namespace {
const char* const MaxLineActionNames[] = {"maException", "maSplit"};
}

namespace TypeInfos {
const TTypeInfo TIdMaxLineAction{"TIdMaxLineAction", TTypeKind::Enumeration, 0, 1, 0, 0,
                                 MaxLineActionNames};
const TTypeInfo TIdConnectionIntercept{"TIdConnectionIntercept", TTypeKind::Class};
} // namespace TypeInfos

TIdTCPConnection::TIdTCPConnection(TComponent* owner) : TIdComponent(owner) {}

TIdTCPConnection::~TIdTCPConnection()
{
    DisconnectSocket();
    DestroyOwnedIOHandler();
}

const TClassInfo& TIdTCPConnection::StaticClassInfo()
{
    using C = TIdTCPConnection;
    static const TClassInfo info{
        "TIdTCPConnection",
        &TIdComponent::StaticClassInfo(),
        {
            // Accepted and ignored: the window shows the device's bytes as they come.
            Published<C>("ASCIIFilter", &TypeInfos::Boolean, &C::ASCIIFilter, &C::SetASCIIFilter),
            PublishedOnly("Intercept", &TypeInfos::TIdConnectionIntercept),
            PublishedOnly("IOHandler", &TypeInfos::TIdIOHandler),
            // Accepted and ignored, both: the client reads what arrived, never a line.
            Published<C>("MaxLineLength", &TypeInfos::Integer, &C::MaxLineLength,
                         &C::SetMaxLineLength),
            Published<C>("MaxLineAction", &TypeInfos::TIdMaxLineAction, &C::MaxLineAction,
                         &C::SetMaxLineAction),
            Published<C>("ReadTimeout", &TypeInfos::Integer, &C::ReadTimeout, &C::SetReadTimeout),
            Published<C>("RecvBufferSize", &TypeInfos::Integer, &C::RecvBufferSize,
                         &C::SetRecvBufferSize),
            // Accepted and ignored: the client never sends.
            Published<C>("SendBufferSize", &TypeInfos::Integer, &C::SendBufferSize,
                         &C::SetSendBufferSize),
            PublishedEvent<C>("OnDisconnected", &TypeInfos::TNotifyEvent, &C::OnDisconnected),
        }};
    return info;
}

void TIdTCPConnection::DoOnDisconnected()
{
    if (OnDisconnected)
        OnDisconnected(this);
}

void TIdTCPConnection::ResetConnection()
{
    FInputBuffer.Clear();
    FClosedGracefully = false;
}

void TIdTCPConnection::DisconnectSocket()
{
    if (!FIOHandler)
        return;
    FClosedGracefully = true;
    FIOHandler->Close();
}

void TIdTCPConnection::DestroyOwnedIOHandler()
{
    if (!FOwnsIOHandler)
        return;
    delete FIOHandler;
    FIOHandler = nullptr;
    FOwnsIOHandler = false;
}

bool TIdTCPConnection::CheckForDisconnect(bool raiseIfClosed, bool ignoreBuffer)
{
    bool closed;
    if (FClosedGracefully || !FIOHandler) {
        if (FIOHandler && FIOHandler->Connected()) {
            DisconnectSocket();
            DoStatus(hsDisconnected, IdMessages::StatusDisconnected);
            DoOnDisconnected();
        }
        closed = FIOHandler != nullptr;
    } else {
        closed = !FIOHandler->Connected();
    }
    if (closed && raiseIfClosed && (FInputBuffer.Size() == 0 || ignoreBuffer))
        throw EIdConnClosedGracefully(IdMessages::ConnectionClosedGracefully);
    return closed;
}

bool TIdTCPConnection::IsConnected()
{
    CheckForDisconnect(false, false);
    return FIOHandler && FIOHandler->Connected();
}

QByteArray TIdTCPConnection::ReadAvailable()
{
    if (IsConnected())
        ReadFromStack(false, -1, true);
    return FInputBuffer.Extract();
}

int TIdTCPConnection::ReadFromStack(bool raiseIfClosed, int timeout, bool raiseOnTimeout)
{
    if (timeout == -1)
        timeout = FReadTimeout == 0 ? IdTimeoutInfinite : FReadTimeout;
    CheckForDisconnect(raiseIfClosed, false);
    if (!IsConnected()) {
        if (raiseIfClosed)
            throw EIdNotConnected(IdMessages::NotConnected);
        return 0;
    }
    int count;
    do {
        if (!FIOHandler->Readable(timeout)) {
            if (raiseOnTimeout)
                throw EIdReadTimeout(IdMessages::ReadTimeout);
            return -1;
        }
        // A size below 1 would make every receive look like the peer's close.
        const int size = FRecvBufferSize > 0 ? FRecvBufferSize : DefaultRecvBufferSize;
        FRecvBuffer.SetSize(size);
        count = FIOHandler->Recv(FRecvBuffer.Memory(), size);
        FClosedGracefully = count == 0;
        if (count == Id_SOCKET_ERROR &&
            SocketStack()->CheckForSocketError(count, {Id_WSAESHUTDOWN, Id_WSAECONNABORTED})) {
            // The transport closes the socket itself here; it says so, as after the peer's
            // close, so that the owner does not go on showing a connection that is gone.
            const int code = TIdStack::LastError();
            count = 0;
            DisconnectSocket();
            DoStatus(hsDisconnected, IdMessages::StatusDisconnected);
            DoOnDisconnected();
            if (FInputBuffer.Size() == 0)
                TIdStack::RaiseSocketError(code);
        }
        if (count > 0) {
            FRecvBuffer.SetSize(count);
            FInputBuffer.Append(FRecvBuffer.Memory(), count);
        }
        CheckForDisconnect(raiseIfClosed, false);
    } while (count == 0 && IsConnected());
    return count;
}

void TIdTCPConnection::CloseConnection()
{
    DoStatus(hsDisconnecting, IdMessages::StatusDisconnecting);
    DisconnectSocket();
    DestroyOwnedIOHandler();
    DoOnDisconnected();
    DoStatus(hsDisconnected, IdMessages::StatusDisconnected);
}
