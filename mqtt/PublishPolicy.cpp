#include "PublishPolicy.h"

#include <cmath>

TPublishPolicy::TPublishPolicy(qint64 intervalMs, double changeStep)
    : FIntervalMs(intervalMs), FChangeStep(changeStep)
{
}

void TPublishPolicy::SetInterval(qint64 intervalMs, double changeStep)
{
    FIntervalMs = intervalMs;
    FChangeStep = changeStep;
}

void TPublishPolicy::Frame(std::optional<double> celsius, qint64 now)
{
    FLastFrame = now;
    if (celsius)
        FNewest = celsius;
}

void TPublishPolicy::Lost()
{
    FLastFrame.reset();
    FNewest.reset();
}

void TPublishPolicy::SendAgain()
{
    FAvailablePublished.reset();
    FPublishedAt.reset();
    // The newest reading goes again even when it was sent before the broker went away:
    // a restarted broker without persistence has forgotten it.
    if (!FNewest && FPublished && FLastFrame)
        FNewest = FPublished;
}

TPublishPolicy::TDue TPublishPolicy::Poll(qint64 now)
{
    TDue due;
    const bool available = Available(now);
    if (FAvailablePublished != available) {
        due.Available = available;
        FAvailablePublished = available;
    }
    if (!available) {
        FNewest.reset(); // stale: never sent after the thermometer went away
        return due;
    }
    if (FNewest) {
        // The slack keeps a step of 0.1 between readings like 0.3 and 0.2 a step.
        const bool moved = !FPublished || std::fabs(*FNewest - *FPublished) >= FChangeStep - 1e-9;
        const bool intervalOver = !FPublishedAt || now - *FPublishedAt >= FIntervalMs;
        if (moved || intervalOver) {
            due.Reading = FNewest;
            FPublished = FNewest;
            FPublishedAt = now;
            FNewest.reset();
        }
    }
    return due;
}

std::optional<qint64> TPublishPolicy::SilentAt() const
{
    if (!FLastFrame)
        return std::nullopt;
    return *FLastFrame + 3 * FIntervalMs;
}

std::optional<qint64> TPublishPolicy::PublishAt() const
{
    if (!FNewest || !FPublishedAt)
        return std::nullopt;
    return *FPublishedAt + FIntervalMs;
}
