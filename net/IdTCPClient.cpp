#include "IdTCPClient.h"

#include "IdException.h"
#include "IdIOHandlerSocket.h"
#include "IdMessages.h"

TIdTCPClient::TIdTCPClient(TComponent* owner) : TIdTCPConnection(owner) {}

const TClassInfo& TIdTCPClient::StaticClassInfo()
{
    using C = TIdTCPClient;
    static const TClassInfo info{
        "TIdTCPClient",
        &TIdTCPConnection::StaticClassInfo(),
        {
            Published<C>("BoundIP", &TypeInfos::LongString, &C::BoundIP, &C::SetBoundIP),
            Published<C>("BoundPort", &TypeInfos::Integer, &C::BoundPort, &C::SetBoundPort),
            Published<C>("Host", &TypeInfos::LongString, &C::Host, &C::SetHost),
            Published<C>("Port", &TypeInfos::Integer, &C::Port, &C::SetPort),
            PublishedEvent<C>("OnConnected", &TypeInfos::TNotifyEvent, &C::OnConnected),
        }};
    return info;
}

void TIdTCPClient::DoOnConnected()
{
    if (OnConnected)
        OnConnected(this);
}

void TIdTCPClient::OpenConnection(int timeoutMs)
{
    if (FIOHandler && FIOHandler->Connected())
        throw EIdAlreadyConnected(IdMessages::AlreadyConnected);
    if (!FIOHandler) {
        auto* handler = new TIdIOHandlerSocket(this);
        handler->OnStatus = OnStatus;
        FIOHandler = handler;
        FOwnsIOHandler = true;
    }
    try {
        FIOHandler->Open();
        ResetConnection();
        FIOHandler->ConnectClient(FHost, FPort, FBoundIP, FBoundPort, FBoundPortMin, FBoundPortMax,
                                  timeoutMs);
        DoStatus(hsConnected, IdMessages::StatusConnected);
        DoOnConnected();
    } catch (...) {
        DisconnectSocket();
        throw;
    }
}
