#pragma once

#include <QString>

class QAccessibleEvent;
class QWidget;

// Gives the controls that paint themselves an accessible interface of their own, so that a
// screen reader finds their role, name and text. Installed once, by the first control.
void InstallAccessibleControls();

// Tells a screen reader that the caption a control paints changed: its name, and its text
// where the caption is its text. For the controls that paint their caption (label, panel,
// group box); each calls it when its text changes.
void AnnounceCaptionChange(QWidget* widget, const QString& oldCaption);

// Whether announcements reach anyone: assistive technology, or a test's handler.
bool AccessibilityListening();
// Hands an event to assistive technology through Qt, which drops it while none is active.
void Announce(QAccessibleEvent& event);
// True when an announcement would be heard. Nothing need be built while it is false, so a
// new reading costs nothing more while no assistive technology listens.
bool AnnouncementsHeard();
// Sends what Announce is given to a handler instead of Qt (nullptr: back to Qt); returns
// the one before. No platform offscreen has an active accessibility, so tests listen here.
using TAnnouncementHandler = void (*)(QAccessibleEvent* event);
TAnnouncementHandler InstallAnnouncementHandler(TAnnouncementHandler handler);
