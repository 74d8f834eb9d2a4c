#include "WinControl.h"

#include <algorithm>

const TClassInfo& TWinControl::StaticClassInfo()
{
    using C = TWinControl;
    static const TClassInfo info{
        "TWinControl",
        &TControl::StaticClassInfo(),
        {
            Published<C>("TabOrder", &TypeInfos::TTabOrder, &C::TabOrder, &C::SetTabOrder),
            Published<C>("TabStop", &TypeInfos::Boolean, &C::TabStop, &C::SetTabStop),
        }};
    return info;
}

TWinControl::TWinControl(TComponent* owner, QWidget* widget) : TControl(owner, widget)
{
    widget->setFocusPolicy(Qt::NoFocus);
}

TWinControl::~TWinControl()
{
    // Children that outlive this control lose their parent (their widgets go with ours).
    while (!FControls.isEmpty())
        FControls.last()->SetParent(nullptr);
}

void TWinControl::InsertControl(TControl* control)
{
    FControls.append(control);
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        FTabList.append(win);
        UpdateTabChain();
    }
}

void TWinControl::RemoveControl(TControl* control)
{
    FControls.removeOne(control);
    if (auto* win = dynamic_cast<TWinControl*>(control))
        FTabList.removeOne(win);
}

int TWinControl::TabOrder() const
{
    return Parent() ? static_cast<int>(Parent()->FTabList.indexOf(this)) : -1;
}

void TWinControl::SetTabOrder(int order)
{
    TWinControl* parent = Parent();
    if (!parent)
        return;
    QList<TWinControl*>& list = parent->FTabList;
    const int count = static_cast<int>(list.size());
    if (order < 0 || order >= count)
        order = count - 1;
    list.removeOne(this);
    list.insert(order, this);
    UpdateTabChain();
}

void TWinControl::SetTabStop(bool tabStop)
{
    FTabStop = tabStop;
    if (Widget())
        Widget()->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
    UpdateTabChain();
}

bool TWinControl::Focused() const
{
    QWidget* w = Widget();
    if (!w)
        return false;
    QWidget* focus = w->window()->focusWidget();
    return focus && (focus == w || focus == w->focusProxy()) && focus->hasFocus();
}

void TWinControl::SetFocus()
{
    if (Widget())
        Widget()->setFocus(Qt::OtherFocusReason);
}

QList<TWinControl*> TWinControl::TabStops() const
{
    QList<TWinControl*> stops;
    for (TWinControl* c : FTabList) {
        if (c->TabStop())
            stops.append(c);
        stops.append(c->TabStops());
    }
    return stops;
}

void TWinControl::UpdateTabChain()
{
    const TWinControl* top = this;
    while (top->Parent())
        top = top->Parent();
    const QList<TWinControl*> stops = top->TabStops();
    for (qsizetype i = 0; i + 1 < stops.size(); ++i)
        if (stops[i]->Widget() && stops[i + 1]->Widget())
            QWidget::setTabOrder(stops[i]->Widget(), stops[i + 1]->Widget());
}

void TWinControl::FontChanged()
{
    TControl::FontChanged();
    for (TControl* c : FControls)
        c->ParentFontChanged(Font());
}
