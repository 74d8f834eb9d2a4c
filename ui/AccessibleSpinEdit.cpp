#include "AccessibleSpinEdit.h"

#include "AccessibleLabelling.h"
#include "Application.h"
#include "SpinEdit.h"

#include <QLineEdit>

AccessibleSpinEdit::AccessibleSpinEdit(TSpinEdit* spin)
    : QAccessibleWidget(spin->Widget(), QAccessible::SpinBox), AccessibleLineText(spin->LineEdit()),
      FSpin(spin)
{
}

QString AccessibleSpinEdit::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        return LabelledName(FSpin);
    case QAccessible::Value:
        return Shown();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State AccessibleSpinEdit::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.focusable = LineEdit()->focusPolicy() != Qt::NoFocus;
    s.focused = LineEdit()->hasFocus();
    s.editable = true;
    s.readOnly = LineEdit()->isReadOnly();
    s.selectableText = true;
    return s;
}

QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
AccessibleSpinEdit::relations(QAccessible::Relation match) const
{
    auto found = QAccessibleWidget::relations(match);
    AddLabelRelation(FSpin, match, found);
    return found;
}

void* AccessibleSpinEdit::interface_cast(QAccessible::InterfaceType t)
{
    switch (t) {
    case QAccessible::TextInterface:
        return static_cast<QAccessibleTextInterface*>(this);
    case QAccessible::EditableTextInterface:
        return static_cast<QAccessibleEditableTextInterface*>(this);
    case QAccessible::ValueInterface:
        return static_cast<QAccessibleValueInterface*>(this);
    default:
        return QAccessibleWidget::interface_cast(t);
    }
}

QStringList AccessibleSpinEdit::actionNames() const
{
    return QAccessibleWidget::actionNames() << increaseAction() << decreaseAction();
}

// The arrow buttons' steps; a disabled spin edit takes none, as its buttons take no click.
void AccessibleSpinEdit::doAction(const QString& actionName)
{
    if (!widget()->isEnabled())
        return;
    if (actionName == increaseAction())
        GuardedCall([this] { FSpin->UpClick(); });
    else if (actionName == decreaseAction())
        GuardedCall([this] { FSpin->DownClick(); });
    else
        QAccessibleWidget::doAction(actionName);
}

QVariant AccessibleSpinEdit::currentValue() const
{
    return FSpin->Value();
}

void AccessibleSpinEdit::setCurrentValue(const QVariant& value)
{
    bool ok = false;
    const int v = value.toInt(&ok);
    if (ok && widget()->isEnabled() && !LineEdit()->isReadOnly())
        GuardedCall([&] { FSpin->SetValue(v); });
}

QVariant AccessibleSpinEdit::maximumValue() const
{
    return FSpin->MaxValue();
}

QVariant AccessibleSpinEdit::minimumValue() const
{
    return FSpin->MinValue();
}

QVariant AccessibleSpinEdit::minimumStepSize() const
{
    return FSpin->Increment();
}
