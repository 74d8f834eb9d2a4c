#pragma once

#include "DeviceConnection.h"
#include "LoopbackPeer.h"

#include <QStringList>
#include <QtTest>
#include <optional>

// Records what a device connection reports, in order: "connected", "frame <raw>",
// "failed <reason> <code>". For tests that link zvk_device.
struct TDeviceRecorder {
    QStringList Events;
    QStringList Log;
    QList<TDeviceFrame> Frames;
    std::optional<TDeviceError> Failure;

    TDeviceConnection::THandlers Handlers()
    {
        return {
            [this](const QString& line) { Log << line; },
            [this] { Events << QStringLiteral("connected"); },
            [this](const TDeviceFrame& frame) {
                Frames << frame;
                Events << QStringLiteral("frame ") + QString::fromLatin1(frame.Raw);
            },
            [this](const TDeviceError& error) {
                Failure = error;
                Events << QStringLiteral("failed %1 %2")
                              .arg(QLatin1String(ReasonName(error.Reason)))
                              .arg(error.Code);
            },
            {},
        };
    }
    bool WaitForFailure(int timeoutMs = 10000)
    {
        return QTest::qWaitFor([this] { return Failure.has_value(); }, timeoutMs);
    }
    bool WaitFor(const QString& event, int timeoutMs = 10000)
    {
        return QTest::qWaitFor([&] { return Events.contains(event); }, timeoutMs);
    }
};

// The listener's next connection, accepted while the calling thread's event loop runs (the
// connection under test needs it to get that far); -1 when none arrives.
inline int AcceptOnLoop(LoopbackListener& listener, int timeoutMs = 10000)
{
    int fd = -1;
    return QTest::qWaitFor([&] { return (fd = listener.Accept(0)) >= 0; }, timeoutMs) ? fd : -1;
}
