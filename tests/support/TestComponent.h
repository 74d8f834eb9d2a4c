#pragma once

#include "Component.h"

#include <QVariant>

// A component that publishes one property of every kind, for the kinds that the real
// controls do not have. Every store through a setter is counted.
class TTestComponent : public TComponent {
    DECLARE_CLASS_INFO
public:
    explicit TTestComponent(TComponent* owner = nullptr) : TComponent(owner) {}

    int Writes = 0;

    int IntValue = 0;
    quint32 CardValue = 0;
    int ByteValue = 0;
    int CharValue = 0;
    char16_t WCharValue = 0;
    bool Flag = false;
    int Kind = 0;
    quint32 Kinds = 0;
    double SingleValue = 0;
    double DoubleValue = 0;
    double ExtendedValue = 0;
    qint64 CompValue = 0;
    qint64 CurrValue = 0;
    QString ShortText;
    QString Text;
    QString WideText;
    QVariant Anything;
    qint64 BigValue = 0;

#define TEST_ACCESSORS(Type, Field)                                                                \
    Type Get##Field() const                                                                        \
    {                                                                                              \
        return Field;                                                                              \
    }                                                                                              \
    void Set##Field(Type v)                                                                        \
    {                                                                                              \
        ++Writes;                                                                                  \
        Field = std::move(v);                                                                      \
    }
    TEST_ACCESSORS(int, IntValue)
    TEST_ACCESSORS(quint32, CardValue)
    TEST_ACCESSORS(int, ByteValue)
    TEST_ACCESSORS(int, CharValue)
    TEST_ACCESSORS(char16_t, WCharValue)
    TEST_ACCESSORS(bool, Flag)
    TEST_ACCESSORS(int, Kind)
    TEST_ACCESSORS(quint32, Kinds)
    TEST_ACCESSORS(double, SingleValue)
    TEST_ACCESSORS(double, DoubleValue)
    TEST_ACCESSORS(double, ExtendedValue)
    TEST_ACCESSORS(qint64, CompValue)
    TEST_ACCESSORS(qint64, CurrValue)
    TEST_ACCESSORS(QString, ShortText)
    TEST_ACCESSORS(QString, Text)
    TEST_ACCESSORS(QString, WideText)
    TEST_ACCESSORS(QVariant, Anything)
    TEST_ACCESSORS(qint64, BigValue)
#undef TEST_ACCESSORS
};

// Adds one property to those inherited, so that look-ups through ancestors can be seen.
class TTestChild : public TTestComponent {
    DECLARE_CLASS_INFO
public:
    using TTestComponent::TTestComponent;
    int Extra = 0;
    int GetExtra() const { return Extra; }
    void SetExtra(int v) { Extra = v; }
};
