#include "AccessibleImage.h"

#include "Image.h"

AccessibleImage::AccessibleImage(TImage* image)
    : QAccessibleWidget(image->Widget(), QAccessible::Graphic)
{
}

TImage* AccessibleImage::Image() const
{
    return dynamic_cast<TImage*>(TControl::OfWidget(widget()));
}

QString AccessibleImage::text(QAccessible::Text t) const
{
    const TImage* image = Image();
    if (t == QAccessible::Name && image && !image->ButtonName().isEmpty())
        return image->ButtonName();
    return QAccessibleWidget::text(t);
}

QAccessible::Role AccessibleImage::role() const
{
    const TImage* image = Image();
    if (!image || image->ButtonName().isEmpty())
        return QAccessible::Graphic;
    return image->ButtonCheckable() ? QAccessible::RadioButton : QAccessible::Button;
}

QAccessible::State AccessibleImage::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    if (const TImage* image = Image(); image && image->ButtonCheckable()) {
        s.checkable = true;
        s.checked = image->ButtonChecked();
    }
    return s;
}

QStringList AccessibleImage::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (role() != QAccessible::Graphic)
        names.prepend(pressAction());
    return names;
}

void AccessibleImage::doAction(const QString& actionName)
{
    TImage* image = Image();
    if (actionName == pressAction() && image && role() != QAccessible::Graphic)
        image->Press();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList AccessibleImage::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == pressAction())
        return {};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
