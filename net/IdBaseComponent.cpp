#include "IdBaseComponent.h"

TIdBaseComponent::TIdBaseComponent(TComponent* owner) : TComponent(owner) {}

const TClassInfo& TIdBaseComponent::StaticClassInfo()
{
    static const TClassInfo info{"TIdBaseComponent", &TComponent::StaticClassInfo(), {}};
    return info;
}
