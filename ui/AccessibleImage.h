#pragma once

#include <QAccessibleWidget>

class TImage;

// A picture: a push button named by its button name when it acts as one (Space, Return and
// the press action click it; the press action names no key, which a screen reader would read
// as a shortcut); a radio button, checked while current, when it stands for one of a few
// choices; otherwise a graphic.
class AccessibleImage : public QAccessibleWidget {
public:
    explicit AccessibleImage(TImage* image);

    QString text(QAccessible::Text t) const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    TImage* Image() const;
};
