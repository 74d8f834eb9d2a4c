#include "DeviceConnection.h"

#include "DeviceLink.h"
#include "DeviceLoop.h"

TDeviceConnection::TDeviceConnection(TDeviceLoop& loop, THandlers handlers)
    : FLoop(loop), FHandlers(std::make_shared<const THandlers>(std::move(handlers)))
{
}

TDeviceConnection::~TDeviceConnection()
{
    Close();
}

void TDeviceConnection::Open(const TDeviceAddress& address, int connectTimeoutMs)
{
    Close();
    FLinkId = FLoop.NewLinkId();
    FLoop
        .AddLink(
            std::make_unique<TDeviceLink>(FLoop, FLinkId, FHandlers, address, connectTimeoutMs))
        ->Start();
}

void TDeviceConnection::Close()
{
    if (TDeviceLink* link = FLoop.FindLink(FLinkId))
        link->Close();
    FLinkId = 0;
}

bool TDeviceConnection::IsConnected() const
{
    const TDeviceLink* link = FLoop.FindLink(FLinkId);
    return link && link->IsConnected();
}
