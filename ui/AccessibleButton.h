#pragma once

#include <QAccessibleWidget>

class QPushButton;
class QWidget;
class TButton;

// A push button named by its caption without the mnemonic mark. A button that shows an on/off
// state is a check box, checked while on: a screen reader says "checked" / "not checked" when
// it changes, where a rename would go unheard.
class AccessibleButton : public QAccessibleWidget {
public:
    explicit AccessibleButton(TButton* button);

    QString text(QAccessible::Text t) const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QPushButton* PushButton() const;
};

// Tells a screen reader that a control's checked state changed.
void AnnounceCheckedChange(QWidget* widget);
