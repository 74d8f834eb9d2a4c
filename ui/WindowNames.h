#pragma once

#include <QString>

class QWidget;

// The names the desktop shows for a window: its title and its taskbar text. On X11 each write
// is made under a server grab with the window's property events deselected, so this program
// does not hear its own writes.

// Sets the text of the window's taskbar entry: Qt's icon text (_NET_WM_ICON_NAME) and, on
// X11, the older WM_ICON_NAME property that some task bars still read.
void SetWindowIconName(QWidget* window, const QString& text);
// How many times SetWindowIconName has written a taskbar text in this process.
int WindowIconNameWrites();

// Sets the window's title. On X11, once the window exists, the program writes _NET_WM_NAME and
// WM_NAME itself, as the toolkit would (it converts WM_NAME with Xlib at every write). An empty
// title stays empty: Qt would put the application's name in its place.
void SetWindowTitle(QWidget* window, const QString& text);
// How many times SetWindowTitle has written a title in this process.
int WindowTitleWrites();

// While one exists, the names written on this thread reach the X server in one round: under
// one server grab, taken at the first write and released at the end of the outermost round.
class TWindowNamesRound {
public:
    TWindowNamesRound();
    ~TWindowNamesRound();
    TWindowNamesRound(const TWindowNamesRound&) = delete;
    TWindowNamesRound& operator=(const TWindowNamesRound&) = delete;
};
// How many server grabs the writes have taken in this process.
int WindowNamesGrabs();
