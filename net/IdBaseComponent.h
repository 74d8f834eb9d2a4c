#pragma once

#include "Component.h"

// Root of the socket component family.
class TIdBaseComponent : public TComponent {
    DECLARE_CLASS_INFO
public:
    explicit TIdBaseComponent(TComponent* owner);
};
