#include "Timer.h"

#include "Application.h"

const TClassInfo& TTimer::StaticClassInfo()
{
    using C = TTimer;
    static const TClassInfo info{
        "TTimer",
        &TComponent::StaticClassInfo(),
        {
            Published<C>("Enabled", &TypeInfos::Boolean, &C::Enabled, &C::SetEnabled),
            Published<C>("Interval", &TypeInfos::Cardinal, &C::Interval, &C::SetInterval),
            PublishedEvent<C>("OnTimer", &TypeInfos::TNotifyEvent, &C::SetOnTimer),
        }};
    return info;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    FTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&FTimer, &QTimer::timeout, [this] { FireEvent(OnTimer, this); });
}

void TTimer::SetEnabled(bool enabled)
{
    FEnabled = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(qint64 interval)
{
    FInterval = interval;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler)
{
    OnTimer = std::move(handler);
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    if (FEnabled && FInterval > 0 && OnTimer)
        FTimer.start(static_cast<int>(std::min<qint64>(FInterval, INT_MAX)));
    else
        FTimer.stop();
}
