#pragma once

#include "Control.h"

#include <QList>

// A control that can contain other controls and take the keyboard focus. Its child controls
// form an ordered list in the order in which they were given this parent.
class TWinControl : public TControl {
    DECLARE_CLASS_INFO
public:
    TWinControl(TComponent* owner, QWidget* widget);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(index); }

    int TabOrder() const;
    void SetTabOrder(int order);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool tabStop);

    bool Focused() const;
    void SetFocus();
    // Tab stops of this control and its descendants, in tab order.
    QList<TWinControl*> TabStops() const;

    // The widget that child widgets are placed in.
    virtual QWidget* ClientWidget() const { return Widget(); }

protected:
    void FontChanged() override;
    // Re-chains the focus order of the window that holds this control.
    void UpdateTabChain();

private:
    friend class TControl;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    QList<TControl*> FControls;
    QList<TWinControl*> FTabList; // window controls among FControls, by tab order
    bool FTabStop = false;
};
