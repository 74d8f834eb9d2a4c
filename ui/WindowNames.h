#pragma once

#include <QString>

class QWidget;

// Sets the text of the window's taskbar entry: Qt's icon text (_NET_WM_ICON_NAME) and, on
// X11, the older WM_ICON_NAME property that some task bars still read.
void SetWindowIconName(QWidget* window, const QString& text);
// How many times SetWindowIconName has written a taskbar text in this process.
int WindowIconNameWrites();

// Sets the window's title. An empty title stays empty: Qt puts the application's name in
// its place, so once the window exists the title is emptied again on X11 and on Wayland.
void SetWindowTitle(QWidget* window, const QString& text);
// How many times SetWindowTitle has written a title in this process.
int WindowTitleWrites();
