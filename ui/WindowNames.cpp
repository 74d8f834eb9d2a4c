#include "WindowNames.h"

#include "X11.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <functional>

namespace {
int Writes = 0;
int TitleWrites = 0;
int Grabs = 0;

// The event mask this connection selected on the window, asked for once per native window.
// The toolkit sets it when it creates the window and never changes it for the kinds of
// window this program makes.
uint32_t SelectedEvents(xcb_connection_t* c, xcb_window_t id)
{
    static xcb_window_t known = XCB_WINDOW_NONE;
    static uint32_t mask = 0;
    if (id != known) {
        xcb_get_window_attributes_reply_t* reply =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
        if (!reply)
            return 0;
        known = id;
        mask = reply->your_event_mask;
        std::free(reply);
    }
    return mask;
}

// The server grab that the writes are made under: the window whose property events are
// deselected, and what it selected before. Open from the first write of a round to its end.
struct TGrab {
    int Rounds = 0;
    xcb_connection_t* Connection = nullptr;
    xcb_window_t Window = XCB_WINDOW_NONE;
    uint32_t Selected = 0;
} Grab;

void Release()
{
    if (!Grab.Connection)
        return;
    xcb_change_window_attributes(Grab.Connection, Grab.Window, XCB_CW_EVENT_MASK, &Grab.Selected);
    xcb_ungrab_server(Grab.Connection);
    // Sent now, so the grab never outlasts these few requests even if the connection's
    // buffer filled up in the middle of them. A flush waits for no reply.
    xcb_flush(Grab.Connection);
    Grab.Connection = nullptr;
    Grab.Window = XCB_WINDOW_NONE;
}

// Runs write, which changes properties of the window, without this program hearing its own
// changes. The toolkit selects property changes on its windows (it follows the window
// manager's state through them); each write would come back as a PropertyNotify that wakes
// the toolkit's event thread and then the main thread, once a second while the reading
// changes. The changes are made with property events deselected, all under a server grab, so
// no other client's change to the window can fall into that gap and be missed. Nothing here
// waits for the server.
void WithoutOwnEcho(xcb_connection_t* c, xcb_window_t id, const std::function<void()>& write)
{
    if (Grab.Connection != c || Grab.Window != id)
        Release();
    if (!Grab.Connection) {
        const uint32_t selected = SelectedEvents(c, id);
        if (selected & XCB_EVENT_MASK_PROPERTY_CHANGE) {
            const uint32_t quiet = selected & ~uint32_t(XCB_EVENT_MASK_PROPERTY_CHANGE);
            xcb_grab_server(c);
            ++Grabs;
            xcb_change_window_attributes(c, id, XCB_CW_EVENT_MASK, &quiet);
            Grab.Connection = c;
            Grab.Window = id;
            Grab.Selected = selected;
        }
    }
    write();
    if (Grab.Rounds == 0)
        Release();
}

// Writes both taskbar properties.
void WriteIconNames(QWidget* window, const QString& text, bool withToolkit)
{
    xcb_connection_t* c = X11Connection();
    if (!c) {
        if (withToolkit)
            window->setWindowIconText(text);
        return;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    WithoutOwnEcho(c, id, [&] {
        if (withToolkit)
            window->setWindowIconText(text); // _NET_WM_ICON_NAME
        const QByteArray latin1 = text.toLatin1();
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_ICON_NAME, XCB_ATOM_STRING, 8,
                            static_cast<uint32_t>(latin1.size()), latin1.constData());
    });
}

// Sets WM_ICON_NAME once the window has its native window. Asking for the native window
// earlier (winId()) would create it before the first showing, and the toolkit then places
// such a window by its client area instead of by its frame.
class TIconNameOnShow : public QObject {
public:
    explicit TIconNameOnShow(QWidget* window) : QObject(window), FWindow(window)
    {
        setObjectName(QStringLiteral("TIconNameOnShow"));
        window->installEventFilter(this);
    }
    QString Text;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == FWindow && event->type() == QEvent::Show &&
            FWindow->testAttribute(Qt::WA_WState_Created)) {
            WriteIconNames(FWindow, Text, false);
            FWindow->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> FWindow;
};
} // namespace

int WindowIconNameWrites()
{
    return Writes;
}

void SetWindowIconName(QWidget* window, const QString& text)
{
    ++Writes;
    if (window->testAttribute(Qt::WA_WState_Created)) {
        WriteIconNames(window, text, true);
        return;
    }
    window->setWindowIconText(text);
    if (QGuiApplication::platformName() != u"xcb")
        return;
    auto* pending = window->findChild<TIconNameOnShow*>(QStringLiteral("TIconNameOnShow"),
                                                        Qt::FindDirectChildrenOnly);
    if (!pending)
        pending = new TIconNameOnShow(window);
    pending->Text = text;
}

int WindowTitleWrites()
{
    return TitleWrites;
}

void SetWindowTitle(QWidget* window, const QString& text)
{
    ++TitleWrites;
    xcb_connection_t* c = X11Connection();
    if (!window->testAttribute(Qt::WA_WState_Created) ||
        !(c || (text.isEmpty() && QGuiApplication::platformName().startsWith(u"wayland")))) {
        window->setWindowTitle(text);
        return;
    }
    if (!c) {
        window->setWindowTitle(text);
        // Qt's Wayland plugin sends the title as a C string: a lone NUL arrives as "". Only
        // the native window gets it; the widget's own title stays empty.
        if (QWindow* handle = window->windowHandle())
            handle->setTitle(QString(QChar(u'\0')));
        return;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    // Asked for only when needed: each answer is a round trip.
    const xcb_atom_t netName =
        text.isEmpty() ? X11Atom(c, "_NET_WM_NAME") : xcb_atom_t(XCB_ATOM_NONE);
    const xcb_atom_t utf8 = text.isEmpty() ? X11Atom(c, "UTF8_STRING") : xcb_atom_t(XCB_ATOM_NONE);
    WithoutOwnEcho(c, id, [&] {
        window->setWindowTitle(text);
        if (!text.isEmpty())
            return;
        if (netName != xcb_atom_t(XCB_ATOM_NONE) && utf8 != xcb_atom_t(XCB_ATOM_NONE))
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, netName, utf8, 8, 0, "");
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                            "");
    });
}

TWindowNamesRound::TWindowNamesRound()
{
    ++Grab.Rounds;
}

TWindowNamesRound::~TWindowNamesRound()
{
    if (--Grab.Rounds == 0)
        Release();
}

int WindowNamesGrabs()
{
    return Grabs;
}
