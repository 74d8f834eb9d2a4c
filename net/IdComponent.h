#pragma once

#include "IdBaseComponent.h"

#include <functional>

enum TIdStatus { hsResolving, hsConnecting, hsConnected, hsDisconnecting, hsDisconnected };

using TIdStatusEvent =
    std::function<void(TComponent* sender, TIdStatus status, const QString& text)>;

namespace TypeInfos {
extern const TTypeInfo TIdStatusEvent;
}

// A socket component: while any exists, the process-wide socket stack exists.
class TIdComponent : public TIdBaseComponent {
    DECLARE_CLASS_INFO
public:
    explicit TIdComponent(TComponent* owner);
    ~TIdComponent() override;

    TIdStatusEvent OnStatus;

protected:
    // Reports to OnStatus, when one is attached, the status and its text.
    void DoStatus(TIdStatus status, const QString& text);
};
