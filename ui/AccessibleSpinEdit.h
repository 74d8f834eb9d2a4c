#pragma once

#include "AccessibleLineText.h"

class TSpinEdit;

// A numeric edit as one spin button: its value, range and step, its text, named by its
// label. The edit and the arrow buttons inside are its parts, not controls of their own.
class AccessibleSpinEdit : public AccessibleLineText, public QAccessibleValueInterface {
public:
    explicit AccessibleSpinEdit(TSpinEdit* spin);

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    TSpinEdit* Spin() const;
};
