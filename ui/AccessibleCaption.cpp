#include "AccessibleCaption.h"

#include "Label.h"
#include "WinControl.h"

#include <algorithm>

AccessibleCaption::AccessibleCaption(TControl* control, QAccessible::Role role, bool mnemonic)
    : QAccessibleWidget(control->Widget(), role), FMnemonic(mnemonic)
{
}

QString AccessibleCaption::Shown(const QString& caption) const
{
    const QString painted = CapShownText(caption);
    return FMnemonic ? WithoutMnemonic(painted) : painted;
}

QString AccessibleCaption::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name) {
        QString name = widget() ? widget()->accessibleName() : QString();
        if (!name.isEmpty())
            return name;
        const TControl* control = TControl::OfWidget(widget());
        return control ? Shown(control->Caption()) : QString();
    }
    return QAccessibleWidget::text(t);
}

QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
AccessibleCaption::relations(QAccessible::Relation match) const
{
    auto found = QAccessibleWidget::relations(match);
    if (match & QAccessible::Labelled)
        if (auto* label = dynamic_cast<TLabel*>(TControl::OfWidget(widget())))
            if (TWinControl* named = label->FocusControl(); named && named->Widget())
                found.append({QAccessible::queryAccessibleInterface(named->Widget()),
                              QAccessible::Labelled});
    return found;
}

void* AccessibleCaption::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface && role() == QAccessible::StaticText)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

void AccessibleCaption::selection(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

QString AccessibleCaption::text(int startOffset, int endOffset) const
{
    const QString all = text(QAccessible::Name);
    const qsizetype start = std::clamp<qsizetype>(startOffset, 0, all.size());
    const qsizetype end =
        endOffset < 0 ? all.size() : std::clamp<qsizetype>(endOffset, start, all.size());
    return all.mid(start, end - start);
}

int AccessibleCaption::characterCount() const
{
    return static_cast<int>(text(QAccessible::Name).size());
}

QString AccessibleCaption::attributes(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
