#include "SetPropertyByName.h"

#include "Component.h"
#include "MessageFormat.h"
#include "PropertyConverters.h"

namespace {

QVariant ConvertForProperty(const TTypeInfo& type, const QVariant& value)
{
    using namespace PropertyConverters;
    switch (type.Kind) {
    case TTypeKind::Integer:
    case TTypeKind::Char:
    case TTypeKind::WChar:
    case TTypeKind::Enumeration:
        return ToOrdinal(type, value);
    case TTypeKind::Int64:
        return ToInt64(type, value);
    case TTypeKind::Float:
        return ToFloat(type, value);
    case TTypeKind::Set:
        return ToSet(type, value);
    case TTypeKind::ShortString:
        return ToShortString(type, value);
    case TTypeKind::LongString:
    case TTypeKind::WideString:
        return ToString(value);
    case TTypeKind::Variant:
        return value;
    // A dynamic array would need an array value, which no text supplies.
    case TTypeKind::DynArray:
    case TTypeKind::Class:
    case TTypeKind::Method:
    case TTypeKind::Interface:
    case TTypeKind::Array:
    case TTypeKind::Record:
    case TTypeKind::Unknown:
        break;
    }
    throw EPropertyError(
        Format(QStringLiteral("Invalid property type: %s"), {QString::fromLatin1(type.Name)}));
}

} // namespace

void SetPropertyByName(TComponent* component, const QString& name, const QVariant& value)
{
    const TPropInfo* prop = component ? component->ClassInfo().FindProperty(name) : nullptr;
    if (!prop)
        throw EPropertyError(Format(QStringLiteral("Property %s does not exist"), {name}));
    const QVariant stored = ConvertForProperty(*prop->Type, value);
    if (!prop->Write)
        throw EPropertyError(Format(QStringLiteral("Property %s is read-only"), {name}));
    prop->Write(*component, stored);
}
