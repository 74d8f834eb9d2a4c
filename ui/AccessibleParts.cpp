#include "AccessibleParts.h"

#include "SpinEdit.h"

#include <QAccessible>

namespace {
QAccessible::UpdateHandler Next = nullptr;

void Filter(QAccessibleEvent* event)
{
    if (IsInnerPart(event->object()))
        return;
    if (Next) {
        Next(event);
        return;
    }
    // Qt hands an event to the platform only while no handler is installed.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&Filter);
}
} // namespace

void InstallInnerPartFilter()
{
    Next = QAccessible::installUpdateHandler(&Filter);
}

bool IsInnerPart(const QObject* object)
{
    for (const QObject* o = object ? object->parent() : nullptr; o; o = o->parent())
        if (dynamic_cast<const TSpinEdit*>(TControl::OfWidget(o)))
            return true;
    return false;
}
