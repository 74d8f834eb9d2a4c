#pragma once

#include "Exception.h"
#include "TypInfo.h"

#include <QList>
#include <QString>
#include <functional>

DECLARE_EXCEPTION(EComponentError, Exception)

class TComponent;

// An event handler takes the sender and returns nothing.
using TNotifyEvent = std::function<void(TComponent* sender)>;

// Declares the class's published-property table; the .cpp defines StaticClassInfo().
#define DECLARE_CLASS_INFO                                                                         \
public:                                                                                            \
    static const TClassInfo& StaticClassInfo();                                                    \
    const TClassInfo& ClassInfo() const override                                                   \
    {                                                                                              \
        return StaticClassInfo();                                                                  \
    }

// A named part of the program. Each component is owned by another (or by nobody) and is
// destroyed with its owner; the owner keeps its components in creation order.
class TComponent {
public:
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    const char* ClassName() const { return ClassInfo().ClassName; }
    bool InheritsFrom(const TClassInfo& cls) const { return ClassInfo().InheritsFrom(cls); }

    const QString& Name() const { return FName; }
    // Raises EComponentError when the name is no identifier or another component of the
    // same owner has it.
    void SetName(const QString& name);
    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(index); }
    // First owned component of that name (exact match), or nullptr.
    TComponent* FindComponent(const QString& name) const;
    // Destroys every owned component, the last created first.
    void DestroyComponents();

    bool Loading() const { return FLoading; }
    void SetLoading(bool loading) { FLoading = loading; }
    // Called once the stored description has been read into the component.
    virtual void Loaded() {}

private:
    void InsertComponent(TComponent* child);
    void RemoveComponent(TComponent* child);

    TComponent* FOwner = nullptr;
    QList<TComponent*> FComponents;
    QString FName;
    int FTag = 0;
    bool FLoading = false;
};

// Downcast that checks the class through the published class information.
template <class T> T* ComponentCast(TComponent* c)
{
    return c && c->InheritsFrom(T::StaticClassInfo()) ? static_cast<T*>(c) : nullptr;
}
