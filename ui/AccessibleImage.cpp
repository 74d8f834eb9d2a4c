#include "AccessibleImage.h"

#include "Image.h"

AccessibleImage::AccessibleImage(TImage* image)
    : QAccessibleWidget(image->Widget(), QAccessible::Graphic), FImage(image)
{
}

QString AccessibleImage::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && !FImage->ButtonName().isEmpty())
        return FImage->ButtonName();
    return QAccessibleWidget::text(t);
}

QAccessible::Role AccessibleImage::role() const
{
    return FImage->ButtonName().isEmpty() ? QAccessible::Graphic : QAccessible::Button;
}

QStringList AccessibleImage::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (role() == QAccessible::Button)
        names.prepend(pressAction());
    return names;
}

void AccessibleImage::doAction(const QString& actionName)
{
    if (actionName == pressAction() && role() == QAccessible::Button)
        FImage->Press();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList AccessibleImage::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == pressAction() && role() == QAccessible::Button)
        return {QStringLiteral("Space"), QStringLiteral("Return")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
