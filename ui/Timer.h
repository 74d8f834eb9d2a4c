#pragma once

#include "Component.h"

#include <QTimer>

// A non-visual component that raises OnTimer every Interval milliseconds while it is
// enabled and has a handler.
class TTimer : public TComponent {
    DECLARE_CLASS_INFO
public:
    explicit TTimer(TComponent* owner);

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    qint64 Interval() const { return FInterval; }
    void SetInterval(qint64 interval);
    void SetOnTimer(TNotifyEvent handler);
    bool Running() const { return FTimer.isActive(); }

    TNotifyEvent OnTimer;

private:
    void UpdateTimer();
    QTimer FTimer;
    bool FEnabled = true;
    qint64 FInterval = 1000;
};
