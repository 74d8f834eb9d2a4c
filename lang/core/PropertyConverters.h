#pragma once

#include "TypInfo.h"

#include <QVariant>

// Text-to-value converters for published properties, one per kind of property type. Each
// takes the value handed to SetPropertyByName and returns the value in the representation
// the property's Write expects (see TypInfo.h), or raises the kind's fixed error. None of
// them touches a component.
namespace PropertyConverters {

// Integer, 8-bit and wide characters, enumerations (Boolean included): a number truncated
// toward zero and range-checked; the result is a qint64 ordinal.
QVariant ToOrdinal(const TTypeInfo& type, const QVariant& value);
// Int64: a number truncated toward zero, checked against the type's 64-bit bounds.
QVariant ToInt64(const TTypeInfo& type, const QVariant& value);
// Floating point at the type's precision: double, or a rounded qint64 for Comp and Currency
// (Currency scaled by 10000).
QVariant ToFloat(const TTypeInfo& type, const QVariant& value);
// Set: a list of value names of the base enumeration; the result is a quint32 mask.
QVariant ToSet(const TTypeInfo& type, const QVariant& value);
// Short string: the text cut to the type's maximum length.
QVariant ToShortString(const TTypeInfo& type, const QVariant& value);
// Long and wide strings: the text; a null value gives the empty text.
QVariant ToString(const QVariant& value);

} // namespace PropertyConverters
