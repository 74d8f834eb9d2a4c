#pragma once

#include <QString>
#include <QVariant>

class TComponent;

// Assigns a value to a published property of a component, found by name without regard to
// ASCII case in the component's class and then its ancestors. The value (a text, or null for
// an empty text) is converted to the property's kind before anything is stored, so a failed
// assignment leaves the component as it was. Raises EPropertyError ("Property %s does not
// exist", "Invalid property type: %s"), ERangeError, EVariantTypeCastError or
// EPropertyConvertError ("Invalid property element: %s").
void SetPropertyByName(TComponent* component, const QString& name, const QVariant& value);
