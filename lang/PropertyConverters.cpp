#include "PropertyConverters.h"

#include "SysUtils.h"

#include <QLocale>
#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>

namespace PropertyConverters {
namespace {

// 2^63: the first double that no longer fits a qint64.
constexpr double kTwoTo63 = 9223372036854775808.0;

// A number as read from a value: exact when it was a whole number, otherwise a double.
struct TNumber {
    bool IsWhole = false;
    qint64 Whole = 0;
    double Real = 0.0;

    double AsDouble() const { return IsWhole ? static_cast<double>(Whole) : Real; }
};

QString VariantTypeName(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("Null");
    switch (value.typeId()) {
    case QMetaType::QString:
        return QStringLiteral("String");
    case QMetaType::Int:
        return QStringLiteral("Integer");
    case QMetaType::UInt:
        return QStringLiteral("LongWord");
    case QMetaType::LongLong:
        return QStringLiteral("Int64");
    case QMetaType::ULongLong:
        return QStringLiteral("UInt64");
    case QMetaType::Double:
        return QStringLiteral("Double");
    case QMetaType::Float:
        return QStringLiteral("Single");
    case QMetaType::Bool:
        return QStringLiteral("Boolean");
    default:
        return QString::fromLatin1(value.typeName());
    }
}

[[noreturn]] void RaiseCastError(const QVariant& value, const char* target)
{
    throw EVariantTypeCastError(
        Format(QStringLiteral("Could not convert variant of type (%s) into type (%s)"),
               {VariantTypeName(value), QString::fromLatin1(target)}));
}

[[noreturn]] void RaiseRangeError()
{
    throw ERangeError(QStringLiteral("Range check error"));
}

std::optional<TNumber> ParseText(const QString& text)
{
    // The user's number format first, then a plain decimal number (no grouping) written with
    // the program's decimal separator, which is the user's one too.
    const QString separator = QLocale::system().decimalPoint();
    QString plainText = text;
    if (separator != u".") {
        if (text.contains(u'.'))
            plainText.clear();
        plainText.replace(separator, QStringLiteral("."));
    }
    QLocale plain = QLocale::c();
    plain.setNumberOptions(QLocale::RejectGroupSeparator);
    const std::pair<QLocale, QString> attempts[] = {{QLocale::system(), text}, {plain, plainText}};
    for (const auto& [locale, candidate] : attempts) {
        bool ok = false;
        const qint64 whole = locale.toLongLong(candidate, &ok);
        if (ok)
            return TNumber{true, whole, 0.0};
        const double real = locale.toDouble(candidate, &ok);
        if (ok && std::isfinite(real))
            return TNumber{false, 0, real};
    }
    return std::nullopt;
}

TNumber ReadNumber(const QVariant& value, const char* target)
{
    if (value.isValid() && !value.isNull()) {
        switch (value.typeId()) {
        case QMetaType::QString:
            if (const auto n = ParseText(value.toString()))
                return *n;
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
            return TNumber{true, value.toLongLong(), 0.0};
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            if (std::isfinite(value.toDouble()))
                return TNumber{false, 0, value.toDouble()};
            break;
        default:
            break;
        }
    }
    RaiseCastError(value, target);
}

// The whole part of the number (truncated toward zero) when it fits a qint64.
qint64 WholePart(const TNumber& n)
{
    if (n.IsWhole)
        return n.Whole;
    const double t = std::trunc(n.Real);
    if (t < -kTwoTo63 || t >= kTwoTo63)
        RaiseRangeError();
    return static_cast<qint64>(t);
}

qint64 RoundToInt64(double value)
{
    const double r = std::nearbyint(value);
    if (!(r >= -kTwoTo63 && r < kTwoTo63))
        RaiseRangeError();
    return static_cast<qint64>(r);
}

} // namespace

QVariant ToOrdinal(const TTypeInfo& type, const QVariant& value)
{
    const qint64 v = WholePart(ReadNumber(value, "Integer"));
    qint64 low = type.MinValue;
    qint64 high = type.MaxValue;
    if (type.MinValue >= type.MaxValue) { // an unsigned 32-bit range
        low = static_cast<quint32>(type.MinValue);
        high = static_cast<quint32>(type.MaxValue);
    }
    if (v < low || v > high)
        RaiseRangeError();
    return QVariant::fromValue(v);
}

QVariant ToInt64(const TTypeInfo& type, const QVariant& value)
{
    const qint64 v = WholePart(ReadNumber(value, "Int64"));
    if (v < type.MinInt64 || v > type.MaxInt64)
        RaiseRangeError();
    return QVariant::fromValue(v);
}

QVariant ToFloat(const TTypeInfo& type, const QVariant& value)
{
    const double v = ReadNumber(value, "Double").AsDouble();
    switch (type.FloatType) {
    case TFloatType::Single:
        if (std::fabs(v) > FLT_MAX)
            RaiseRangeError();
        return QVariant(static_cast<double>(static_cast<float>(v)));
    case TFloatType::Double:
    case TFloatType::Extended:
        return QVariant(v);
    case TFloatType::Comp:
        return QVariant::fromValue(RoundToInt64(v));
    case TFloatType::Curr:
        return QVariant::fromValue(RoundToInt64(v * 10000.0));
    }
    return QVariant(v);
}

QVariant ToSet(const TTypeInfo& type, const QVariant& value)
{
    const QString text = value.isNull() ? QString() : value.toString();
    const TTypeInfo* base = type.CompType;
    const auto isSeparator = [](QChar c) { return c == u',' || c == u' ' || c == u']'; };

    quint32 mask = 0;
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'['))
        ++i;
    while (i < text.size()) {
        const qsizetype start = i;
        while (i < text.size() && !isSeparator(text[i]))
            ++i;
        const QString name = text.mid(start, i - start);
        while (i < text.size() && isSeparator(text[i]))
            ++i;
        if (name.isEmpty()) // "[]" and "[ ]": the list ends at the bracket
            break;
        qsizetype ordinal = -1;
        if (base) {
            for (qsizetype k = 0; k < qsizetype(base->Names.size()) && k < 32; ++k)
                if (SameAsciiText(base->Names[k], name)) {
                    ordinal = k;
                    break;
                }
        }
        if (ordinal < 0)
            throw EPropertyConvertError(
                Format(QStringLiteral("Invalid property element: %s"), {name}));
        mask |= 1u << ordinal;
    }
    return QVariant::fromValue(mask);
}

QVariant ToShortString(const TTypeInfo& type, const QVariant& value)
{
    return QVariant(ToString(value).toString().left(qMax(0, type.MaxLength)));
}

QVariant ToString(const QVariant& value)
{
    return QVariant(value.isNull() ? QString() : value.toString());
}

} // namespace PropertyConverters
