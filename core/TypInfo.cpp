#include "TypInfo.h"

#include <limits>

bool SameAsciiText(const char* a, const QString& b)
{
    const qsizetype n = b.size();
    qsizetype i = 0;
    for (; a[i] != '\0'; ++i) {
        if (i >= n)
            return false;
        char16_t x = static_cast<unsigned char>(a[i]);
        char16_t y = b[i].unicode();
        if (x >= 'a' && x <= 'z')
            x = static_cast<char16_t>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char16_t>(y - 32);
        if (x != y)
            return false;
    }
    return i == n;
}

namespace {
const char* const BooleanNames[] = {"False", "True"};
} // namespace

const TPropInfo* TClassInfo::FindProperty(const QString& name) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TPropInfo& p : c->Properties)
            if (SameAsciiText(p.Name, name))
                return &p;
    return nullptr;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const
{
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (c == &other)
            return true;
    return false;
}

TPropInfo PublishedOnly(const char* name, const TTypeInfo* type)
{
    return TPropInfo{name, type, {}, {}, {}};
}

namespace TypeInfos {
using K = TTypeKind;
constexpr qint32 kMinInt = std::numeric_limits<qint32>::min();
constexpr qint32 kMaxInt = std::numeric_limits<qint32>::max();

const TTypeInfo Integer{"Integer", K::Integer, kMinInt, kMaxInt};
const TTypeInfo Cardinal{"Cardinal", K::Integer, 0, -1};
const TTypeInfo Byte{"Byte", K::Integer, 0, 255};
const TTypeInfo Int64{"Int64",
                      K::Int64,
                      0,
                      0,
                      std::numeric_limits<qint64>::min(),
                      std::numeric_limits<qint64>::max()};
const TTypeInfo Boolean{"Boolean", K::Enumeration, 0, 1, 0, 0, BooleanNames};
const TTypeInfo AnsiChar{"Char", K::Char, 0, 255};
const TTypeInfo WideChar{"WideChar", K::WChar, 0, 65535};
const TTypeInfo Single{"Single", K::Float, 0, 0, 0, 0, {}, nullptr, TFloatType::Single};
const TTypeInfo Double{"Double", K::Float, 0, 0, 0, 0, {}, nullptr, TFloatType::Double};
const TTypeInfo Extended{"Extended", K::Float, 0, 0, 0, 0, {}, nullptr, TFloatType::Extended};
const TTypeInfo Comp{"Comp", K::Float, 0, 0, 0, 0, {}, nullptr, TFloatType::Comp};
const TTypeInfo Currency{"Currency", K::Float, 0, 0, 0, 0, {}, nullptr, TFloatType::Curr};
const TTypeInfo LongString{"string", K::LongString};
const TTypeInfo WideString{"WideString", K::WideString};
const TTypeInfo Variant{"Variant", K::Variant};
const TTypeInfo TComponentName{"TComponentName", K::LongString};
const TTypeInfo TCaption{"TCaption", K::LongString};
const TTypeInfo TColor{"TColor", K::Integer, kMinInt, kMaxInt};
const TTypeInfo TCursor{"TCursor", K::Integer, -32768, 32767};
const TTypeInfo TTabOrder{"TTabOrder", K::Integer, -1, 32767};
const TTypeInfo TNotifyEvent{"TNotifyEvent", K::Method};
const TTypeInfo TCloseEvent{"TCloseEvent", K::Method};
const TTypeInfo TFont{"TFont", K::Class};
const TTypeInfo TPicture{"TPicture", K::Class};
const TTypeInfo TStrings{"TStrings", K::Class};
const TTypeInfo TIdIOHandler{"TIdIOHandler", K::Class};
} // namespace TypeInfos
