#include "GroupBox.h"

#include <QGroupBox>

const TClassInfo& TGroupBox::StaticClassInfo()
{
    using C = TGroupBox;
    static const TClassInfo info{
        "TGroupBox",
        &TWinControl::StaticClassInfo(),
        {
            Published<C>("Caption", &TypeInfos::TCaption, &C::Caption, &C::SetCaption),
            Published<C>("Color", &TypeInfos::TColor, &C::Color, &C::SetColor),
        }};
    return info;
}

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner, new QGroupBox) {}

void TGroupBox::TextChanged()
{
    if (Widget())
        static_cast<QGroupBox*>(Widget())->setTitle(Caption());
}
