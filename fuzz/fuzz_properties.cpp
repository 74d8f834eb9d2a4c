// Property assignment by name. The first byte chooses a published property of a component
// that has one of every kind; the rest is the attribute text (none: the null value). The
// locale is the process's (tools/fuzz.sh runs this target in C and in Czech). Checked: every
// failure is one of the fixed errors and changes nothing; a stored ordinal lies in its type's
// range; a whole number written plainly is stored exactly or refused as out of range.
#include "Exception.h"
#include "FuzzCheck.h"
#include "SetPropertyByName.h"
#include "TestComponent.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <cstdint>

namespace {
bool IsFixedError(const Exception& e)
{
    static const QRegularExpression fixed(
        QStringLiteral(
            "^(Range check error|Could not convert variant of type \\((String|Null)\\) into type "
            "\\((Integer|Int64|Double)\\)|Invalid property element: .*|Invalid property type: .*|"
            "Property .* is read-only)$"),
        QRegularExpression::DotMatchesEverythingOption);
    return fixed.match(e.Message()).hasMatch();
}

// Whether a text is a plain whole number ("-0012", "+7"), and its value as digits.
bool PlainWhole(const QString& text, bool& negative, QString& digits)
{
    static const QRegularExpression plain(QStringLiteral("^([+-]?)0*([0-9]+)$"));
    const QRegularExpressionMatch m = plain.match(text);
    if (!m.hasMatch())
        return false;
    digits = m.captured(2);
    negative = m.captured(1) == u"-" && digits != u"0";
    return true;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size == 0)
        return 0;
    TTestComponent component;
    const TClassInfo& info = component.ClassInfo();
    const TPropInfo& prop = info.Properties.at(bytes[0] % info.Properties.size());
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(bytes + 1),
                                           static_cast<qsizetype>(size - 1));
    const QVariant value = text.isEmpty() ? QVariant() : QVariant(text);
    const QVariant before = prop.Read ? prop.Read(component) : QVariant();
    const QString name = QString::fromLatin1(prop.Name);

    bool stored = false;
    try {
        SetPropertyByName(&component, name, value);
        stored = true;
    } catch (const Exception& e) {
        Require(IsFixedError(e), "a failed assignment raises one of the fixed errors", e.Message());
        Require(component.Writes == 0, "a failed assignment stores nothing", e.Message());
        if (prop.Read)
            Require(prop.Read(component) == before, "a failed assignment keeps the value");
    }

    const TTypeInfo& type = *prop.Type;
    bool negative = false;
    QString digits;
    const bool plain = PlainWhole(text, negative, digits);
    if (type.Kind == TTypeKind::Int64 && plain) {
        // Exactly: compare as digits, not through a double.
        const QString wanted = (negative ? QStringLiteral("-") : QString()) + digits;
        bool fits = false;
        const qint64 v = wanted.toLongLong(&fits);
        Require(stored == fits, "a plain whole number is stored exactly when it fits", text);
        if (stored)
            Require(prop.Read(component).toLongLong() == v, "stored exactly", text);
    }
    if (!stored || !prop.Read)
        return 0;
    switch (type.Kind) {
    case TTypeKind::Integer:
    case TTypeKind::Char:
    case TTypeKind::WChar:
    case TTypeKind::Enumeration: {
        const qint64 v = prop.Read(component).toLongLong();
        if (type.MinValue < type.MaxValue)
            Require(v >= type.MinValue && v <= type.MaxValue, "an ordinal within its range", text);
        else
            Require(v >= 0 && v <= qint64(quint32(type.MaxValue)), "an unsigned ordinal", text);
        break;
    }
    default:
        break;
    }
    return 0;
}
