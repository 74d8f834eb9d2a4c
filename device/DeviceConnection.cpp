#include "DeviceConnection.h"

#include "DeviceLink.h"
#include "DeviceLoop.h"

TDeviceConnection::TDeviceConnection(TDeviceLoop& loop, THandlers handlers)
    : FLoop(loop.FSelf), FHandlers(std::make_shared<const THandlers>(std::move(handlers)))
{
}

TDeviceConnection::~TDeviceConnection()
{
    Close();
}

void TDeviceConnection::Open(const TDeviceAddress& address, int connectTimeoutMs)
{
    Close();
    const std::shared_ptr<TDeviceLoop* const> loop = FLoop.lock();
    if (!loop)
        return;
    FLinkId = (*loop)->NewLinkId();
    (*loop)
        ->AddLink(
            std::make_unique<TDeviceLink>(**loop, FLinkId, FHandlers, address, connectTimeoutMs))
        ->Start();
}

void TDeviceConnection::Close()
{
    if (const std::shared_ptr<TDeviceLoop* const> loop = FLoop.lock())
        if (TDeviceLink* link = (*loop)->FindLink(FLinkId))
            link->Close();
    FLinkId = 0;
}

bool TDeviceConnection::IsConnected() const
{
    const std::shared_ptr<TDeviceLoop* const> loop = FLoop.lock();
    const TDeviceLink* link = loop ? (*loop)->FindLink(FLinkId) : nullptr;
    return link && link->IsConnected();
}

void TDeviceConnection::SetReading(bool on)
{
    if (const std::shared_ptr<TDeviceLoop* const> loop = FLoop.lock())
        if (TDeviceLink* link = (*loop)->FindLink(FLinkId))
            link->SetReading(on);
}
