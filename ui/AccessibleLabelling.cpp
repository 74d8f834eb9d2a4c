#include "AccessibleLabelling.h"

#include "Label.h"

#include <QWidget>

QString LabelledName(const TControl* control)
{
    if (TLabel* label = LabelOf(control))
        return WithoutMnemonic(CapShownText(label->Caption()));
    return control->Widget() ? control->Widget()->accessibleName() : QString();
}

void AddLabelRelation(const TControl* control, QAccessible::Relation match,
                      QList<QPair<QAccessibleInterface*, QAccessible::Relation>>& found)
{
    if (!(match & QAccessible::Label))
        return;
    if (TLabel* label = LabelOf(control); label && label->Widget())
        found.append({QAccessible::queryAccessibleInterface(label->Widget()), QAccessible::Label});
}
