#include "PropertyConverters.h"

#include "Exception.h"
#include "MessageFormat.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
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
    // For a text with a fraction or an exponent: its whole part computed from the digits, not
    // from the double, which can round across a bound (-9223372036854775809 is no qint64).
    std::optional<std::optional<qint64>> ExactWhole; // set when known; inner empty: no fit

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

// The whole part of a number text, truncated toward zero, computed digit by digit: empty
// when the text is not a plain decimal number in the given locale's signs, an empty inner
// value when the whole part does not fit a qint64.
std::optional<std::optional<qint64>> ExactWholePart(const QLocale& locale, const QString& text)
{
    QString t = text.trimmed();
    if (!(locale.numberOptions() & QLocale::RejectGroupSeparator))
        t.remove(locale.groupSeparator());
    t.replace(locale.decimalPoint(), QStringLiteral("."));
    t.replace(locale.negativeSign(), QStringLiteral("-"));
    t.replace(locale.positiveSign(), QStringLiteral("+"));
    t.replace(locale.exponential(), QStringLiteral("e"), Qt::CaseInsensitive);
    static const QRegularExpression number(
        QStringLiteral("^([+-]?)([0-9]*)(?:\\.([0-9]*))?(?:[eE]([+-]?[0-9]+))?$"));
    const QRegularExpressionMatch m = number.match(t);
    if (!m.hasMatch())
        return std::nullopt;
    const bool negative = m.captured(1) == u"-";
    const QString digits = m.captured(2) + m.captured(3);
    qint64 exponent = 0;
    const QString e = m.captured(4);
    if (!e.isEmpty()) {
        bool ok = false;
        exponent = e.toLongLong(&ok);
        if (!ok) // more exponent digits than a qint64 holds
            exponent = e.startsWith(u'-') ? -1000000 : 1000000;
        // Beyond this no digit is left either side of the point; the sum below stays in range.
        exponent = std::clamp<qint64>(exponent, -1000000, 1000000);
    }
    // The digits before the decimal point once the exponent has moved it.
    const qint64 point = std::clamp<qint64>(m.captured(2).size() + exponent, 0, 1000000);
    quint64 magnitude = 0;
    for (qint64 k = 0; k < point; ++k) {
        if (magnitude == 0 && k >= digits.size())
            break; // nothing but zeros ahead
        const int digit = k < digits.size() ? digits.at(k).digitValue() : 0;
        if (magnitude > (std::numeric_limits<quint64>::max() - digit) / 10)
            return std::optional<qint64>();
        magnitude = magnitude * 10 + digit;
    }
    constexpr quint64 limit = quint64(1) << 63;
    if (magnitude > limit || (magnitude == limit && !negative))
        return std::optional<qint64>();
    return std::optional<qint64>(negative ? qint64(0 - magnitude) : qint64(magnitude));
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
            return TNumber{true, whole, 0.0, std::nullopt};
        const double real = locale.toDouble(candidate, &ok);
        if (ok && std::isfinite(real))
            return TNumber{false, 0, real, ExactWholePart(locale, candidate)};
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
            return TNumber{true, value.toLongLong(), 0.0, std::nullopt};
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            if (std::isfinite(value.toDouble()))
                return TNumber{false, 0, value.toDouble(), std::nullopt};
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
    if (n.ExactWhole) {
        if (!*n.ExactWhole)
            RaiseRangeError();
        return **n.ExactWhole;
    }
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
