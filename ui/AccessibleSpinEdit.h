#pragma once

#include "AccessibleLineText.h"

#include <QAccessibleWidget>

class TSpinEdit;

// A numeric edit as one spin button: its value, range and step, its text, named by its
// label. The edit and the arrow buttons inside are its parts, not controls of their own.
class AccessibleSpinEdit : public QAccessibleWidget,
                           public AccessibleLineText,
                           public QAccessibleValueInterface {
public:
    explicit AccessibleSpinEdit(TSpinEdit* spin);

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    TSpinEdit* FSpin;
};
