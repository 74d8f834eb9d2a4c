#pragma once

#include "DeviceConnection.h"
#include "DeviceFrame.h"
#include "DeviceLoop.h"
#include "DeviceResolver.h"

#include <memory>
#include <vector>

// The state of one open attempt of a TDeviceConnection, owned by the loop (device/ only).
// Each Open() makes a new one with a new id, so that a late event, timer or lookup of an
// earlier attempt finds nothing.
class TDeviceLink {
public:
    TDeviceLink(TDeviceLoop& loop, quint64 id,
                std::shared_ptr<const TDeviceConnection::THandlers> handlers,
                TDeviceAddress address, int connectTimeoutMs);
    ~TDeviceLink();
    TDeviceLink(const TDeviceLink&) = delete;
    TDeviceLink& operator=(const TDeviceLink&) = delete;

    quint64 Id() const { return FId; }
    bool IsConnected() const { return FState == Connected; }

    // Arms the deadline and schedules Begin() on the loop.
    void Start();
    void OnReady(quint32 events);
    void OnResolved(const TResolveAnswer& answer);
    // See TDeviceConnection::SetReading().
    void SetReading(bool on);
    // Ends the link without a handler; it is freed when no dispatch is in progress.
    void Close();

private:
    enum State { Starting, Resolving, Connecting, Connected, Ended };

    void Begin();
    void TryNextAddress();
    void ConnectFinished();
    void Receive();
    void DeliverFrames();
    void KeepNewest();
    void FinishDrain();
    quint32 WatchedEvents() const;
    void UpdateWatch();
    void Fail(const TDeviceError& error);
    void Log(const QString& line);
    bool Logging() const;
    void Shut();

    TDeviceLoop& FLoop;
    const quint64 FId;
    const std::shared_ptr<const TDeviceConnection::THandlers> FHandlers;
    const TDeviceAddress FAddress;
    const int FConnectTimeoutMs;
    State FState = Starting;
    int FFd = -1;
    quint32 FWatched = 0; // the events the loop's set watches on FFd
    TDeviceLoop::TTimerId FDeadline = 0;
    TDeviceLoop::TTimerId FBegin = 0;
    std::vector<TSocketAddress> FCandidates;
    std::size_t FNextCandidate = 0;
    int FLastError = 0;
    int FPendingReset = 0; // a reset SO_ERROR handed out at connect, reported after the bytes
    TFrameSplitter FSplitter;
    bool FReading = true;
    // Reading resumed: the frames already queued are cut but only the newest is delivered,
    // once the socket has nothing more.
    bool FDraining = false;
    QByteArray FNewest;
    int FSkipped = 0; // older frames cut while paused or draining
};
