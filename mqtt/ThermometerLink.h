#pragma once

#include "DeviceAddress.h"
#include "DeviceConnection.h"

#include <QTimer>
#include <functional>
#include <memory>

class TDeviceLoop;

// One thermometer's connection, kept open: after a loss it connects again after a pause
// that doubles from 1 s to 60 s, and starts again from 1 s once a frame has come.
class TThermometerLink {
public:
    struct THandlers {
        std::function<void(const TDeviceFrame&)> OnFrame;
        std::function<void()> OnLost; // the connection closed; a new attempt is scheduled
        std::function<void(const QString& line)> OnLog;
    };
    TThermometerLink(TDeviceLoop& loop, const TDeviceAddress& address, THandlers handlers);
    ~TThermometerLink();
    TThermometerLink(const TThermometerLink&) = delete;
    TThermometerLink& operator=(const TThermometerLink&) = delete;

    void Open();
    // Drops the connection (a silent one may be half-open) and tries again after the pause.
    void Restart(const QString& why);

private:
    void Failed(const QString& why);

    TDeviceLoop& FLoop;
    TDeviceAddress FAddress;
    THandlers FHandlers;
    std::unique_ptr<TDeviceConnection> FConnection;
    QTimer FRetry;
    int FPauseS = 1;
};
