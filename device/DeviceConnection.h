#pragma once

#include "DeviceAddress.h"
#include "DeviceError.h"
#include "DeviceFrame.h"

#include <functional>
#include <memory>

class TDeviceLoop;

// One thermometer connection on a TDeviceLoop. Every handler runs from the loop, inside the
// exception guard; a handler may Close() or destroy its own connection or any other.
class TDeviceConnection {
public:
    struct THandlers {
        // The probe log: "resolving x", "resolved x to a, b", "connecting to a:p",
        // "connected", "received 14 bytes", "frame *B...: reading 21.5" or why not.
        std::function<void(const QString& line)> OnLog;
        std::function<void()> OnConnected;
        std::function<void(const TDeviceFrame&)> OnFrame;
        // The connection is closed; no call follows.
        std::function<void(const TDeviceError&)> OnFailed;
        // When set, log lines are formatted only while it answers true.
        std::function<bool()> LogWanted;
    };

    TDeviceConnection(TDeviceLoop& loop, THandlers handlers);
    ~TDeviceConnection(); // closes; no handler runs after Close() or destruction
    TDeviceConnection(const TDeviceConnection&) = delete;
    TDeviceConnection& operator=(const TDeviceConnection&) = delete;

    // Resolves without blocking, then tries each address in turn until one connects or
    // connectTimeoutMs has passed (Timeout, code 10060); 0 or less: no limit. A connection
    // still open is closed first. No handler runs from inside Open(): even a failure found
    // at once is delivered from the loop.
    void Open(const TDeviceAddress& address, int connectTimeoutMs);
    void Close();
    bool IsConnected() const;
    // Paused, nothing is read and no frame is delivered, but a close or reset is still
    // reported. Resumed, what arrived meanwhile is read and only its newest whole frame is
    // delivered (when the socket has nothing more), then every frame again; without one, the
    // next frame. What arrived meanwhile is read at once: its frame, or a close or reset, is
    // delivered from inside SetReading(true). Each Open() starts reading.
    void SetReading(bool on);

private:
    // Ends with the loop: a connection that outlives its loop does nothing.
    std::weak_ptr<TDeviceLoop* const> FLoop;
    std::shared_ptr<const THandlers> FHandlers;
    quint64 FLinkId = 0;
};
