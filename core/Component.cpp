#include "Component.h"
#include "MessageFormat.h"

TComponent::TComponent(TComponent* owner)
{
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

const TClassInfo& TComponent::StaticClassInfo()
{
    static const TClassInfo info{"TComponent",
                                 nullptr,
                                 {
                                     Published<TComponent>("Name", &TypeInfos::TComponentName,
                                                           &TComponent::Name, &TComponent::SetName),
                                     Published<TComponent>("Tag", &TypeInfos::Integer,
                                                           &TComponent::Tag, &TComponent::SetTag),
                                 }};
    return info;
}

namespace {
// A name is empty or an identifier: a letter or "_", then letters, digits and "_".
bool IsValidName(const QString& name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
        if (!letter && !(i > 0 && c >= u'0' && c <= u'9'))
            return false;
    }
    return true;
}
} // namespace

void TComponent::SetName(const QString& name)
{
    if (name == FName)
        return;
    if (!IsValidName(name))
        throw EComponentError(Format(QStringLiteral("'%s' is not a valid component name"), {name}));
    if (FOwner && !name.isEmpty()) {
        for (TComponent* c : FOwner->FComponents)
            if (c != this && c->FName.compare(name, Qt::CaseInsensitive) == 0)
                throw EComponentError(
                    Format(QStringLiteral("A component named %s already exists"), {name}));
    }
    FName = name;
}

TComponent* TComponent::FindComponent(const QString& name) const
{
    for (TComponent* c : FComponents)
        if (c->FName == name)
            return c;
    return nullptr;
}

void TComponent::DestroyComponents()
{
    while (!FComponents.isEmpty()) {
        TComponent* c = FComponents.takeLast();
        c->FOwner = nullptr;
        delete c;
    }
}

void TComponent::InsertComponent(TComponent* child)
{
    child->FOwner = this;
    FComponents.append(child);
}

void TComponent::RemoveComponent(TComponent* child)
{
    FComponents.removeOne(child);
    child->FOwner = nullptr;
}
