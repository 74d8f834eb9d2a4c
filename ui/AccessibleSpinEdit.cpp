#include "AccessibleSpinEdit.h"

#include "Application.h"
#include "SpinEdit.h"

#include <QLineEdit>

AccessibleSpinEdit::AccessibleSpinEdit(TSpinEdit* spin)
    : AccessibleLineText(spin->Widget(), spin->LineEdit(), QAccessible::SpinBox)
{
}

TSpinEdit* AccessibleSpinEdit::Spin() const
{
    return dynamic_cast<TSpinEdit*>(Control());
}

QAccessible::State AccessibleSpinEdit::state() const
{
    QAccessible::State s = AccessibleLineText::state();
    if (LineEdit()) {
        s.focusable = LineEdit()->focusPolicy() != Qt::NoFocus;
        s.focused = LineEdit()->hasFocus();
    }
    return s;
}

void* AccessibleSpinEdit::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return AccessibleLineText::interface_cast(t);
}

QStringList AccessibleSpinEdit::actionNames() const
{
    return QAccessibleWidget::actionNames() << increaseAction() << decreaseAction();
}

// The arrow buttons' steps; a disabled spin edit takes none, as its buttons take no click.
void AccessibleSpinEdit::doAction(const QString& actionName)
{
    TSpinEdit* spin = Spin();
    if (!spin || !widget()->isEnabled())
        return;
    if (actionName == increaseAction())
        GuardedCall([spin] { spin->UpClick(); });
    else if (actionName == decreaseAction())
        GuardedCall([spin] { spin->DownClick(); });
    else
        QAccessibleWidget::doAction(actionName);
}

QVariant AccessibleSpinEdit::currentValue() const
{
    const TSpinEdit* spin = Spin();
    return spin ? QVariant(spin->Value()) : QVariant();
}

void AccessibleSpinEdit::setCurrentValue(const QVariant& value)
{
    bool ok = false;
    const int v = value.toInt(&ok);
    TSpinEdit* spin = Spin();
    if (ok && spin && widget()->isEnabled() && !LineEdit()->isReadOnly())
        GuardedCall([&] { spin->SetValue(v); });
}

QVariant AccessibleSpinEdit::maximumValue() const
{
    const TSpinEdit* spin = Spin();
    return spin ? QVariant(spin->MaxValue()) : QVariant();
}

QVariant AccessibleSpinEdit::minimumValue() const
{
    const TSpinEdit* spin = Spin();
    return spin ? QVariant(spin->MinValue()) : QVariant();
}

QVariant AccessibleSpinEdit::minimumStepSize() const
{
    const TSpinEdit* spin = Spin();
    return spin ? QVariant(spin->Increment()) : QVariant();
}
