#include "SetPropertyByName.h"
#include "TestComponent.h"

#include <QtTest>
#include <limits>

Q_DECLARE_METATYPE(QVariant)

namespace {
QVariant I(qint64 v)
{
    return QVariant::fromValue(v);
}
QVariant S(const char* utf8)
{
    return QVariant(QString::fromUtf8(utf8));
}
const QVariant Null;

// Starting values that no row stores, so that an unchanged property is visible as such.
void SetBaseline(TTestChild& c)
{
    c.IntValue = 5;
    c.CardValue = 5;
    c.ByteValue = 5;
    c.CharValue = 5;
    c.WCharValue = 5;
    c.Kind = 1;
    c.Kinds = 2;
    c.SingleValue = c.DoubleValue = c.ExtendedValue = 0.25;
    c.CompValue = c.CurrValue = c.BigValue = 5;
    c.ShortText = c.Text = c.WideText = QStringLiteral("old");
    c.Anything = QStringLiteral("old");
    c.Writes = 0;
}
} // namespace

class TestSetPropertyByName : public QObject {
    Q_OBJECT
private slots:
    void assigns_data();
    void assigns();
    void fails_data();
    void fails();
};

// The process runs under a Czech number format (decimal comma), so that the user's format
// is exercised; see main() below.
void TestSetPropertyByName::assigns_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("readName");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("lower-case name") << "intvalue" << S("42") << "IntValue" << I(42);
    QTest::newRow("ancestor's property") << "tag" << S("7") << "Tag" << I(7);
    QTest::newRow("own property of subclass") << "Extra" << S("3") << "Extra" << I(3);
    QTest::newRow("user's decimal comma truncated") << "IntValue" << S("7,9") << "IntValue" << I(7);
    QTest::newRow("negative toward zero") << "IntValue" << S("-7,9") << "IntValue" << I(-7);
    QTest::newRow("cardinal maximum")
        << "CardValue" << S("4294967295") << "CardValue" << I(4294967295LL);
    QTest::newRow("8-bit character by code") << "CharValue" << S("65") << "CharValue" << I(65);
    QTest::newRow("Boolean 1") << "Flag" << S("1") << "Flag" << I(1);
    QTest::newRow("Boolean 0") << "Flag" << S("0") << "Flag" << I(0);
    QTest::newRow("set, empty text") << "Kinds" << S("") << "Kinds" << I(0);
    QTest::newRow("set, null") << "Kinds" << Null << "Kinds" << I(0);
    QTest::newRow("set, empty brackets") << "Kinds" << S(" [ ]") << "Kinds" << I(0);
    QTest::newRow("set, bracketed list") << "Kinds" << S("[tkAlpha, tkGamma]") << "Kinds" << I(5);
    QTest::newRow("set, any case, blanks") << "Kinds" << S("TKBETA tkgamma") << "Kinds" << I(6);
    QTest::newRow("single") << "SingleValue" << S("1,5") << "SingleValue" << QVariant(1.5);
    QTest::newRow("double") << "DoubleValue" << S("-2,75") << "DoubleValue" << QVariant(-2.75);
    QTest::newRow("comp rounds half to even") << "CompValue" << S("2,5") << "CompValue" << I(2);
    QTest::newRow("currency scaled") << "CurrValue" << S("1,23456") << "CurrValue" << I(12346);
    QTest::newRow("short string cut") << "ShortText" << S("abcdefgh") << "ShortText" << S("abcde");
    QTest::newRow("short string null") << "ShortText" << Null << "ShortText" << S("");
    QTest::newRow("long string") << "Text" << S("Připojit") << "Text" << S("Připojit");
    QTest::newRow("wide string") << "WideText" << S("Ř °C") << "WideText" << S("Ř °C");
    QTest::newRow("variant keeps null") << "Anything" << Null << "Anything" << Null;
    QTest::newRow("int64 maximum exact") << "BigValue" << S("9223372036854775807") << "BigValue"
                                         << I(std::numeric_limits<qint64>::max());
    QTest::newRow("int64 fraction") << "BigValue" << S("-1,9") << "BigValue" << I(-1);
    // A double would round these across the bounds; the whole part is read from the digits.
    QTest::newRow("int64 minimum with a fraction")
        << "BigValue" << S("-9223372036854775808,9") << "BigValue"
        << I(std::numeric_limits<qint64>::min());
    QTest::newRow("int64 exact below 2^63")
        << "BigValue" << S("9223372036854775806,5") << "BigValue" << I(9223372036854775806LL);
    QTest::newRow("integer just under the bound")
        << "IntValue" << S("2147483647,99999999999") << "IntValue" << I(2147483647);
    QTest::newRow("int64 exponent") << "BigValue" << S("1,5E3") << "BigValue" << I(1500);
    QTest::newRow("zeros moved by the largest exponent")
        << "BigValue" << S("00E9223372036854775807") << "BigValue" << I(0);
}

void TestSetPropertyByName::assigns()
{
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    QFETCH(QString, readName);
    QFETCH(QVariant, expected);

    TTestChild c;
    SetBaseline(c);
    c.SetTag(0);
    SetPropertyByName(&c, name, value);
    const QVariant actual = c.ClassInfo().FindProperty(readName)->Read(c);
    QCOMPARE(actual.typeId(), expected.typeId());
    QCOMPARE(actual, expected);
}

void TestSetPropertyByName::fails_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("exceptionClass");
    QTest::addColumn<QString>("message");

    const QString conv = QStringLiteral("EVariantTypeCastError");
    const QString range = QStringLiteral("ERangeError");
    const QString prop = QStringLiteral("EPropertyError");

    QTest::newRow("no such property")
        << "Captoin" << S("x") << prop << "Property Captoin does not exist";
    QTest::newRow("dotted sub-property")
        << "Font.Height" << S("-11") << prop << "Property Font.Height does not exist";
    QTest::newRow("class kind") << "Font" << S("Arial") << prop << "Invalid property type: TFont";
    QTest::newRow("method kind") << "onthing" << S("x") << prop
                                 << "Invalid property type: TNotifyEvent";
    QTest::newRow("record kind") << "Origin" << S("1") << prop << "Invalid property type: TPoint";
    QTest::newRow("dynamic array from text")
        << "Numbers" << S("1") << prop << "Invalid property type: TIntegerDynArray";
    QTest::newRow("no way to store") << "Count" << S("1") << prop << "Property Count is read-only";
    QTest::newRow("integer above range")
        << "IntValue" << S("2147483648") << range << "Range check error";
    QTest::newRow("cardinal below zero") << "CardValue" << S("-1") << range << "Range check error";
    QTest::newRow("cardinal above range")
        << "CardValue" << S("4294967296") << range << "Range check error";
    QTest::newRow("byte above range") << "ByteValue" << S("256") << range << "Range check error";
    QTest::newRow("Boolean 2") << "Flag" << S("2") << range << "Range check error";
    QTest::newRow("enumeration past last") << "Kind" << S("3") << range << "Range check error";
    QTest::newRow("int64 above range")
        << "BigValue" << S("9223372036854775808") << range << "Range check error";
    QTest::newRow("int64 one below the minimum")
        << "BigValue" << S("-9223372036854775809") << range << "Range check error";
    QTest::newRow("int64 above, with a fraction")
        << "BigValue" << S("9223372036854775808,1") << range << "Range check error";
    QTest::newRow("int64 above, written with an exponent")
        << "BigValue" << S("9,223372036854775808E18") << range << "Range check error";
    QTest::newRow("single overflows") << "SingleValue" << S("1e39") << range << "Range check error";
    QTest::newRow("comp overflows") << "CompValue" << S("1e19") << range << "Range check error";
    QTest::newRow("Boolean empty")
        << "Flag" << Null << conv << "Could not convert variant of type (Null) into type (Integer)";
    QTest::newRow("Boolean by name")
        << "Flag" << S("True") << conv
        << "Could not convert variant of type (String) into type (Integer)";
    QTest::newRow("enumeration by name")
        << "Kind" << S("tkBeta") << conv
        << "Could not convert variant of type (String) into type (Integer)";
    QTest::newRow("decimal point under a decimal comma")
        << "IntValue" << S("7.9") << conv
        << "Could not convert variant of type (String) into type (Integer)";
    QTest::newRow("character by glyph")
        << "CharValue" << S("A") << conv
        << "Could not convert variant of type (String) into type (Integer)";
    QTest::newRow("integer, no number")
        << "IntValue" << S("12abc") << conv
        << "Could not convert variant of type (String) into type (Integer)";
    QTest::newRow("int64 empty") << "BigValue" << Null << conv
                                 << "Could not convert variant of type (Null) into type (Int64)";
    QTest::newRow("double, infinity")
        << "DoubleValue" << S("inf") << conv
        << "Could not convert variant of type (String) into type (Double)";
    QTest::newRow("double, not a number")
        << "DoubleValue" << S("nan") << conv
        << "Could not convert variant of type (String) into type (Double)";
    QTest::newRow("set, unknown among known")
        << "Kinds" << S("[tkAlpha,tkDelta,tkGamma]") << "EPropertyConvertError"
        << "Invalid property element: tkDelta";
}

void TestSetPropertyByName::fails()
{
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    QFETCH(QString, exceptionClass);
    QFETCH(QString, message);

    TTestChild c;
    SetBaseline(c);
    const TPropInfo* readable = c.ClassInfo().FindProperty(name);
    const QVariant before = readable && readable->Read ? readable->Read(c) : QVariant();
    try {
        SetPropertyByName(&c, name, value);
        QFAIL("no exception");
    } catch (const Exception& e) {
        QCOMPARE(QString::fromLatin1(e.ClassName()), exceptionClass);
        QCOMPARE(e.Message(), message);
    }
    QCOMPARE(c.Writes, 0);
    if (readable && readable->Read)
        QCOMPARE(readable->Read(c), before);
}

int main(int argc, char** argv)
{
    // Must precede the first use of the system locale.
    qputenv("LC_ALL", "cs_CZ.UTF-8");
    QCoreApplication app(argc, argv);
    TestSetPropertyByName test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_SetPropertyByName.moc"
