#include "Accessibility.h"

#include "AccessibleButton.h"
#include "AccessibleCaption.h"
#include "AccessibleEdit.h"
#include "AccessibleImage.h"
#include "AccessibleNotice.h"
#include "AccessibleParts.h"
#include "AccessibleSpinEdit.h"
#include "Button.h"
#include "Edit.h"
#include "Form.h"
#include "GroupBox.h"
#include "Image.h"
#include "Label.h"
#include "Panel.h"
#include "SpinEdit.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <utility>

namespace {
QAccessibleInterface* ControlInterface(const QString&, QObject* object)
{
    // A widget being destroyed has left its control (as Qt's own factory refuses it): an
    // interface made now would outlive it in Qt's cache.
    TControl* control = TControl::OfWidget(object);
    if (!control)
        return NoticeInterface(object);
    if (auto* label = dynamic_cast<TLabel*>(control))
        return new AccessibleCaption(label, QAccessible::StaticText, true);
    if (auto* panel = dynamic_cast<TPanel*>(control))
        return new AccessibleCaption(panel, QAccessible::StaticText, false);
    if (auto* box = dynamic_cast<TGroupBox*>(control))
        return new AccessibleCaption(box, QAccessible::Grouping, true);
    if (auto* edit = dynamic_cast<TEdit*>(control))
        return new AccessibleEdit(edit);
    if (auto* spin = dynamic_cast<TSpinEdit*>(control))
        return new AccessibleSpinEdit(spin);
    if (auto* image = dynamic_cast<TImage*>(control))
        return new AccessibleImage(image);
    if (auto* button = dynamic_cast<TButton*>(control))
        return new AccessibleButton(button);
    // A plain widget would be a "client" area, which a screen reader does not take for a
    // window; its name is its title.
    if (dynamic_cast<TForm*>(control))
        return new QAccessibleWidget(control->Widget(), QAccessible::Window);
    return nullptr;
}

TAnnouncementHandler Handler = nullptr;
} // namespace

void InstallAccessibleControls()
{
    static const bool installed = [] {
        QAccessible::installFactory(&ControlInterface);
        InstallInnerPartFilter();
        return true;
    }();
    Q_UNUSED(installed);
}

bool AccessibilityListening()
{
    return Handler || QAccessible::isActive();
}

void Announce(QAccessibleEvent& event)
{
    if (Handler)
        Handler(&event);
    else
        QAccessible::updateAccessibility(&event);
}

TAnnouncementHandler InstallAnnouncementHandler(TAnnouncementHandler handler)
{
    return std::exchange(Handler, handler);
}

bool AnnouncementsHeard()
{
    return Handler || QAccessible::isActive();
}

void AnnounceCaptionChange(QWidget* widget, const QString& oldCaption)
{
    // A control not shown has nothing to announce.
    if (!widget || !widget->isVisible() || !AnnouncementsHeard())
        return;
    auto* caption = dynamic_cast<AccessibleCaption*>(QAccessible::queryAccessibleInterface(widget));
    if (!caption)
        return;
    QAccessibleEvent name(widget, QAccessible::NameChanged);
    Announce(name);
    if (caption->textInterface()) {
        QAccessibleTextUpdateEvent text(widget, 0, caption->Shown(oldCaption),
                                        caption->text(QAccessible::Name));
        Announce(text);
    }
}
