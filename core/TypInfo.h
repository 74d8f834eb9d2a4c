#pragma once

#include <QString>
#include <QVariant>
#include <any>
#include <functional>
#include <span>
#include <type_traits>
#include <vector>

class TComponent;

// Run-time type information of published properties: each component class describes its
// published properties in one table, one line per property.

enum class TTypeKind {
    Unknown,
    Integer,
    Char,
    Enumeration,
    Float,
    ShortString, // cut to a maximum length
    Set,
    Class,
    Method,
    WChar,
    LongString,
    WideString,
    Variant,
    Array,
    Record,
    Interface,
    Int64,
    DynArray,
};

enum class TFloatType { Single, Double, Extended, Comp, Curr };

struct TTypeInfo {
    const char* Name;
    TTypeKind Kind;
    // Ordinal kinds: bounds as signed 32-bit values. A type whose minimum is not below its
    // maximum as signed values (Cardinal: 0 .. -1) is an unsigned 32-bit range.
    qint32 MinValue = 0;
    qint32 MaxValue = 0;
    qint64 MinInt64 = 0; // Int64 kind
    qint64 MaxInt64 = 0;
    std::span<const char* const> Names{}; // enumeration value names in ordinal order
    const TTypeInfo* CompType = nullptr;  // base enumeration of a set
    TFloatType FloatType = TFloatType::Double;
    int MaxLength = 255; // short strings
};

// A property's stored value travels as a QVariant holding, by kind of the property's type:
// ordinal kinds (integer, characters, enumerations, Boolean) a qint64 ordinal; sets a quint32
// mask with bit n for ordinal n; floats a double (Comp and Currency a qint64, Currency scaled
// by 10000); strings a QString; Int64 a qint64; Variant the value itself.
//
// An event (method kind) is bound by name through Bind: the handler comes in a std::any that
// holds the event's own handler type (TNotifyEvent, TCloseEvent); Bind returns false when it
// holds another type.
struct TPropInfo {
    const char* Name;
    const TTypeInfo* Type;
    std::function<void(TComponent&, const QVariant&)> Write; // empty: read-only
    std::function<QVariant(const TComponent&)> Read;
    std::function<bool(TComponent&, const std::any&)> Bind; // events only
};

// Whether a name from a table equals a text, ignoring the case of ASCII letters only.
bool SameAsciiText(const char* name, const QString& text);

struct TClassInfo {
    const char* ClassName;
    const TClassInfo* Parent;
    std::vector<TPropInfo> Properties;

    // Looks the name up in this class, then its ancestors; ASCII case is ignored.
    const TPropInfo* FindProperty(const QString& name) const;
    bool InheritsFrom(const TClassInfo& other) const;
};

namespace TypeInfos {
extern const TTypeInfo Integer;
extern const TTypeInfo Cardinal;
extern const TTypeInfo Byte;
extern const TTypeInfo Int64;
extern const TTypeInfo Boolean;
extern const TTypeInfo AnsiChar;
extern const TTypeInfo WideChar;
extern const TTypeInfo Single;
extern const TTypeInfo Double;
extern const TTypeInfo Extended;
extern const TTypeInfo Comp;
extern const TTypeInfo Currency;
extern const TTypeInfo LongString; // "string"
extern const TTypeInfo WideString;
extern const TTypeInfo Variant;
extern const TTypeInfo TComponentName;
extern const TTypeInfo TCaption;
extern const TTypeInfo TColor;
extern const TTypeInfo TCursor;
extern const TTypeInfo TTabOrder;
extern const TTypeInfo TNotifyEvent;
extern const TTypeInfo TCloseEvent;
extern const TTypeInfo TFont;
extern const TTypeInfo TPicture;
extern const TTypeInfo TStrings;
extern const TTypeInfo TIdIOHandler;
} // namespace TypeInfos

namespace PropDetail {
template <class T> T FromValue(const QVariant& v)
{
    if constexpr (std::is_same_v<T, bool>)
        return v.toLongLong() != 0;
    else if constexpr (std::is_enum_v<T> || std::is_integral_v<T>)
        return static_cast<T>(v.toLongLong());
    else if constexpr (std::is_floating_point_v<T>)
        return static_cast<T>(v.toDouble());
    else if constexpr (std::is_same_v<T, QVariant>)
        return v;
    else
        return v.value<T>();
}

template <class T> QVariant ToValue(const T& value)
{
    if constexpr (std::is_same_v<T, bool> || std::is_enum_v<T> || std::is_integral_v<T>)
        return QVariant::fromValue(static_cast<qint64>(value));
    else if constexpr (std::is_floating_point_v<T>)
        return QVariant(static_cast<double>(value));
    else if constexpr (std::is_same_v<T, QVariant>)
        return value;
    else
        return QVariant::fromValue(value);
}

template <class> struct ArgOf;
template <class C, class A> struct ArgOf<void (C::*)(A)> {
    using Type = std::decay_t<A>;
};
} // namespace PropDetail

// One table line: a property read through a const getter and written through a setter.
template <class C, class Getter, class Setter>
TPropInfo Published(const char* name, const TTypeInfo* type, Getter get, Setter set)
{
    using T = typename PropDetail::ArgOf<Setter>::Type;
    return TPropInfo{name,
                     type,
                     [set](TComponent& c, const QVariant& v) {
                         (static_cast<C&>(c).*set)(PropDetail::FromValue<T>(v));
                     },
                     [get](const TComponent& c) {
                         return PropDetail::ToValue((static_cast<const C&>(c).*get)());
                     },
                     {}};
}

// One table line for an event: the handler member, or the setter, that binding by name
// writes.
template <class C, class Member>
TPropInfo PublishedEvent(const char* name, const TTypeInfo* type, Member member)
{
    return TPropInfo{name, type, {}, {}, [member](TComponent& c, const std::any& handler) {
                         auto& self = static_cast<C&>(c);
                         if constexpr (std::is_member_function_pointer_v<Member>) {
                             using E = typename PropDetail::ArgOf<Member>::Type;
                             const E* fn = std::any_cast<E>(&handler);
                             if (fn)
                                 (self.*member)(*fn);
                             return fn != nullptr;
                         } else {
                             using E = std::remove_cvref_t<decltype(self.*member)>;
                             const E* fn = std::any_cast<E>(&handler);
                             if (fn)
                                 self.*member = *fn;
                             return fn != nullptr;
                         }
                     }};
}

// A published property that has no value conversion (class, method and other kinds):
// it is listed so that it can be found by name, but it cannot be written by name.
TPropInfo PublishedOnly(const char* name, const TTypeInfo* type);
