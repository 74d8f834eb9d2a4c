#include "IdIOHandler.h"

TIdIOHandler::TIdIOHandler(TComponent* owner) : TIdComponent(owner) {}

const TClassInfo& TIdIOHandler::StaticClassInfo()
{
    static const TClassInfo info{"TIdIOHandler", &TIdComponent::StaticClassInfo(), {}};
    return info;
}
