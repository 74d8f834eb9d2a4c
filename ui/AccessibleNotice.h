#pragma once

#include <QAccessibleWidget>

class QWidget;

// Says a short text to a screen reader without moving the focus or changing what is shown: a
// notification of the window that appears with that text. A screen reader speaks a
// notification as it appears (Orca 43 drops Qt 6.4's name changes). The notification is a
// hidden child of the window that reports itself as shown.
void AnnounceNotice(QWidget* window, const QString& text);

// The notification's accessible face, given by the factory.
QAccessibleInterface* NoticeInterface(QObject* object);
