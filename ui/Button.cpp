#include "Button.h"

#include "AccessibleButton.h"

#include <QPushButton>
#include <utility>

const TClassInfo& TButton::StaticClassInfo()
{
    using C = TButton;
    static const TClassInfo info{
        "TButton",
        &TWinControl::StaticClassInfo(),
        {
            Published<C>("Caption", &TypeInfos::TCaption, &C::Caption, &C::SetCaption),
            Published<C>("Default", &TypeInfos::Boolean, &C::Default, &C::SetDefault),
            // Cancel and ModalResult: accepted and ignored (no window of the program closes
            // through a button's modal result).
            Published<C>("Cancel", &TypeInfos::Boolean, &C::Cancel, &C::SetCancel),
            Published<C>("ModalResult", &TypeInfos::Integer, &C::ModalResult, &C::SetModalResult),
        }};
    return info;
}

TButton::TButton(TComponent* owner) : TWinControl(owner, new QPushButton)
{
    PushButton()->setAutoDefault(false);
    QObject::connect(PushButton(), &QPushButton::clicked, [this] { Click(); });
    SetTabStop(true);
}

QPushButton* TButton::PushButton() const
{
    return static_cast<QPushButton*>(Widget());
}

void TButton::SetDefault(bool isDefault)
{
    FDefault = isDefault;
    if (Widget())
        PushButton()->setDefault(isDefault);
}

void TButton::TextChanged()
{
    if (Widget())
        PushButton()->setText(CapShownText(Caption()));
}

void TButton::SetToggled(bool on)
{
    FIsToggle = true;
    if (std::exchange(FToggled, on) != on)
        AnnounceCheckedChange(Widget());
}
