#include "TestComponent.h"

namespace {
const char* const KindNames[] = {"tkAlpha", "tkBeta", "tkGamma"};
const TTypeInfo KindType{.Name = "TTestKind",
                         .Kind = TTypeKind::Enumeration,
                         .MinValue = 0,
                         .MaxValue = 2,
                         .Names = KindNames};
const TTypeInfo KindsType{.Name = "TTestKinds", .Kind = TTypeKind::Set, .CompType = &KindType};
const TTypeInfo Short5Type{.Name = "TShort5", .Kind = TTypeKind::ShortString, .MaxLength = 5};
const TTypeInfo ArrayType{.Name = "TIntegerDynArray", .Kind = TTypeKind::DynArray};
const TTypeInfo RecordType{.Name = "TPoint", .Kind = TTypeKind::Record};
} // namespace

#define TEST_PROP(Name, Type)                                                                      \
    Published<TTestComponent>(#Name, Type, &TTestComponent::Get##Name, &TTestComponent::Set##Name)

const TClassInfo& TTestComponent::StaticClassInfo()
{
    static const TClassInfo info{"TTestComponent",
                                 &TComponent::StaticClassInfo(),
                                 {
                                     TEST_PROP(IntValue, &TypeInfos::Integer),
                                     TEST_PROP(CardValue, &TypeInfos::Cardinal),
                                     TEST_PROP(ByteValue, &TypeInfos::Byte),
                                     TEST_PROP(CharValue, &TypeInfos::AnsiChar),
                                     TEST_PROP(WCharValue, &TypeInfos::WideChar),
                                     TEST_PROP(Flag, &TypeInfos::Boolean),
                                     TEST_PROP(Kind, &KindType),
                                     TEST_PROP(Kinds, &KindsType),
                                     TEST_PROP(SingleValue, &TypeInfos::Single),
                                     TEST_PROP(DoubleValue, &TypeInfos::Double),
                                     TEST_PROP(ExtendedValue, &TypeInfos::Extended),
                                     TEST_PROP(CompValue, &TypeInfos::Comp),
                                     TEST_PROP(CurrValue, &TypeInfos::Currency),
                                     TEST_PROP(ShortText, &Short5Type),
                                     TEST_PROP(Text, &TypeInfos::LongString),
                                     TEST_PROP(WideText, &TypeInfos::WideString),
                                     TEST_PROP(Anything, &TypeInfos::Variant),
                                     TEST_PROP(BigValue, &TypeInfos::Int64),
                                     PublishedOnly("Font", &TypeInfos::TFont),
                                     PublishedOnly("OnThing", &TypeInfos::TNotifyEvent),
                                     PublishedOnly("Numbers", &ArrayType),
                                     PublishedOnly("Origin", &RecordType),
                                     PublishedOnly("Count", &TypeInfos::Integer),
                                 }};
    return info;
}

const TClassInfo& TTestChild::StaticClassInfo()
{
    static const TClassInfo info{
        "TTestChild",
        &TTestComponent::StaticClassInfo(),
        {Published<TTestChild>("Extra", &TypeInfos::Integer, &TTestChild::GetExtra,
                               &TTestChild::SetExtra)}};
    return info;
}
