#pragma once

#include "AccessibleLineText.h"

#include <QAccessibleWidget>

class TControl;
class TEdit;

// A one-line edit, named by the label that names it.
class AccessibleEdit : public QAccessibleWidget, public AccessibleLineText {
public:
    explicit AccessibleEdit(TEdit* edit);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

private:
    TEdit* FEdit;
};
