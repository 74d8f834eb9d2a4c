#include "IdComponent.h"

#include "IdStack.h"

namespace TypeInfos {
const TTypeInfo TIdStatusEvent{"TIdStatusEvent", TTypeKind::Method};
}

TIdComponent::TIdComponent(TComponent* owner) : TIdBaseComponent(owner)
{
    IdStackAddUser();
}

TIdComponent::~TIdComponent()
{
    IdStackReleaseUser();
}

const TClassInfo& TIdComponent::StaticClassInfo()
{
    static const TClassInfo info{
        "TIdComponent",
        &TIdBaseComponent::StaticClassInfo(),
        {PublishedEvent<TIdComponent>("OnStatus", &TypeInfos::TIdStatusEvent,
                                      &TIdComponent::OnStatus)}};
    return info;
}

void TIdComponent::DoStatus(TIdStatus status, const QString& text)
{
    if (OnStatus)
        OnStatus(this, status, text);
}
