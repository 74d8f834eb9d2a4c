#pragma once

#include <QString>

class QAccessibleEvent;
class TControl;

// Gives the controls that paint themselves an accessible interface of their own, so that a
// screen reader finds their role, name and text. Installed once, by the first control.
void InstallAccessibleControls();

// Tells a screen reader that a control's caption changed: its name, its text where the
// caption is its text, and the name of the control a label names. Qt's own widgets announce
// their text themselves, but not a window's title.
void AnnounceCaptionChange(TControl* control, const QString& oldCaption);

// Whether announcements reach anyone: assistive technology, or a test's handler.
bool AccessibilityListening();
// Hands an event to assistive technology through Qt, which drops it while none is active.
void Announce(QAccessibleEvent& event);
// Sends what Announce is given to a handler instead of Qt (nullptr: back to Qt); returns
// the one before. No platform offscreen has an active accessibility, so tests listen here.
using TAnnouncementHandler = void (*)(QAccessibleEvent* event);
TAnnouncementHandler InstallAnnouncementHandler(TAnnouncementHandler handler);
