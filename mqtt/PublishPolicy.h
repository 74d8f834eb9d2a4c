#pragma once

#include <QtGlobal>
#include <optional>

// When one thermometer's reading and availability go to the broker. Pure logic on a
// millisecond clock the caller passes in, so that it can be tested without time passing.
// A reading is published at once when it moved by at least the change step since the last
// one published, otherwise once per interval; the thermometer is available from its first
// reading after a connect until its connection is lost or three intervals pass without a
// frame. While the broker is away the caller does not poll: only the newest reading is kept.
class TPublishPolicy {
public:
    TPublishPolicy(qint64 intervalMs, double changeStep);

    void Frame(std::optional<double> celsius, qint64 now); // a whole frame came
    void Lost();                                           // the connection is gone
    // The broker or Home Assistant lost what it held: availability and the newest reading again.
    void SendAgain();

    struct TDue {
        std::optional<bool> Available; // publish first
        std::optional<double> Reading;
    };
    TDue Poll(qint64 now); // what to publish now; marks it published
    bool Silent(qint64 now) const { return FLastFrame && now - *FLastFrame >= 3 * FIntervalMs; }
    // When the connection counts as silent, unless a frame comes first.
    std::optional<qint64> SilentAt() const;
    // When a held reading falls due; only events bring anything sooner.
    std::optional<qint64> PublishAt() const;

    void SetInterval(qint64 intervalMs, double changeStep);

private:
    bool Available(qint64 now) const { return FLastFrame && !Silent(now); }

    qint64 FIntervalMs;
    double FChangeStep;
    std::optional<qint64> FLastFrame; // since the last connect
    std::optional<double> FNewest;    // not yet published
    std::optional<double> FPublished;
    std::optional<qint64> FPublishedAt;
    std::optional<bool> FAvailablePublished;
};
