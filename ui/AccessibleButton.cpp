#include "AccessibleButton.h"

#include "Accessibility.h"
#include "Button.h"
#include "Label.h"

#include <QPushButton>

AccessibleButton::AccessibleButton(TButton* button)
    : QAccessibleWidget(button->Widget(), QAccessible::Button)
{
}

QPushButton* AccessibleButton::PushButton() const
{
    return qobject_cast<QPushButton*>(widget());
}

// A toggle is a check box, as Qt makes its own checkable buttons: Qt 6.4 has no toggle-button
// role for AT-SPI, and Orca 43 says nothing when a push button's checked state changes.
QAccessible::Role AccessibleButton::role() const
{
    const auto* button = dynamic_cast<TButton*>(TControl::OfWidget(widget()));
    return button && button->IsToggle() ? QAccessible::CheckBox : QAccessible::Button;
}

QString AccessibleButton::text(QAccessible::Text t) const
{
    const QPushButton* button = PushButton();
    if (t == QAccessible::Name && button && button->accessibleName().isEmpty())
        return WithoutMnemonic(button->text());
    return QAccessibleWidget::text(t);
}

QAccessible::State AccessibleButton::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    if (const QPushButton* button = PushButton()) {
        s.pressed = button->isDown();
        s.defaultButton = button->isDefault();
    }
    if (const auto* button = dynamic_cast<TButton*>(TControl::OfWidget(widget()));
        button && button->IsToggle()) {
        s.checkable = true;
        s.checked = button->Toggled();
    }
    return s;
}

QStringList AccessibleButton::actionNames() const
{
    return QStringList(pressAction()) << QAccessibleWidget::actionNames();
}

void AccessibleButton::doAction(const QString& actionName)
{
    QPushButton* button = PushButton();
    if (actionName != pressAction())
        QAccessibleWidget::doAction(actionName);
    else if (button && button->isEnabled())
        button->animateClick();
}

// Its access key, as Qt's own button gives it.
QStringList AccessibleButton::keyBindingsForAction(const QString& actionName) const
{
    const QPushButton* button = PushButton();
    if (actionName == pressAction() && button && !button->shortcut().isEmpty())
        return {button->shortcut().toString(QKeySequence::NativeText)};
    return {};
}

void AnnounceCheckedChange(QWidget* widget)
{
    if (!widget || !widget->isVisible() || !AccessibilityListening())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(widget, changed);
    Announce(event);
}
