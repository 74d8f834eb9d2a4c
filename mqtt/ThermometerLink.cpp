#include "ThermometerLink.h"

#include "ExceptionGuard.h"

#include <algorithm>

namespace {
constexpr int ConnectTimeoutMs = 10000;
constexpr int MaxPauseS = 60;
} // namespace

TThermometerLink::TThermometerLink(TDeviceLoop& loop, const TDeviceAddress& address,
                                   THandlers handlers)
    : FLoop(loop), FAddress(address), FHandlers(std::move(handlers))
{
    FRetry.setSingleShot(true);
    QObject::connect(&FRetry, &QTimer::timeout, [this] { GuardedCall([this] { Open(); }); });
}

TThermometerLink::~TThermometerLink() = default;

void TThermometerLink::Open()
{
    TDeviceConnection::THandlers h;
    h.OnConnected = [this] {
        FHandlers.OnLog(QStringLiteral("connected to %1").arg(FAddress.Text()));
    };
    h.OnFrame = [this](const TDeviceFrame& frame) {
        FPauseS = 1;
        FHandlers.OnFrame(frame);
    };
    h.OnFailed = [this](const TDeviceError& error) {
        Failed(QStringLiteral("%1 (%2)").arg(error.Message,
                                             QString::fromLatin1(ReasonName(error.Reason))));
    };
    FConnection = std::make_unique<TDeviceConnection>(FLoop, std::move(h));
    FConnection->Open(FAddress, ConnectTimeoutMs);
}

void TThermometerLink::Restart(const QString& why)
{
    if (FConnection)
        FConnection->Close();
    Failed(why);
}

void TThermometerLink::Failed(const QString& why)
{
    FHandlers.OnLog(
        QStringLiteral("%1: %2; trying again in %3 s").arg(FAddress.Text(), why).arg(FPauseS));
    FRetry.start(FPauseS * 1000);
    FPauseS = std::min(FPauseS * 2, MaxPauseS);
    FHandlers.OnLost();
}
