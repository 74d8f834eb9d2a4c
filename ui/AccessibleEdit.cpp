#include "AccessibleEdit.h"

#include "AccessibleLabelling.h"
#include "Edit.h"

#include <QLineEdit>

AccessibleEdit::AccessibleEdit(TEdit* edit)
    : QAccessibleWidget(edit->Widget(), QAccessible::EditableText),
      AccessibleLineText(edit->LineEdit()), FEdit(edit)
{
}

QString AccessibleEdit::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        return LabelledName(FEdit);
    case QAccessible::Value:
        return Shown();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State AccessibleEdit::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = true;
    s.readOnly = LineEdit()->isReadOnly();
    s.passwordEdit = LineEdit()->echoMode() != QLineEdit::Normal;
    s.selectableText = true;
    return s;
}

QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
AccessibleEdit::relations(QAccessible::Relation match) const
{
    auto found = QAccessibleWidget::relations(match);
    AddLabelRelation(FEdit, match, found);
    return found;
}

void* AccessibleEdit::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}
