#include "WindowNames.h"

#include "X11.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <functional>
// Last: Xlib's macros would clash with the names in Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

// WM_NAME as the toolkit writes it: the title converted by Xlib (XStdICCTextStyle), a STRING
// or, beyond Latin-1, COMPOUND_TEXT. The conversion loads and walks the locale's charsets
// every time, and was a fifth of what a new reading cost. Printable ASCII passes through it
// unchanged, so only the rest after a leading ASCII run is converted, once for as long as it
// stays the same: the reading changes at the front of the title, the caption after it does not.
QByteArray LegacyName(Display* display, const QString& title, xcb_atom_t& type)
{
    static QString convertedRest;
    static QByteArray converted;
    static xcb_atom_t convertedType = XCB_ATOM_STRING;
    qsizetype ascii = 0;
    while (ascii < title.size() && title[ascii] >= u' ' && title[ascii] < u'\x7f')
        ++ascii;
    const QString rest = title.mid(ascii);
    if (rest.isEmpty()) {
        type = XCB_ATOM_STRING;
        return title.toLatin1();
    }
    if (rest != convertedRest || converted.isNull()) {
        QByteArray local = rest.toLocal8Bit();
        char* list[] = {local.data()};
        XTextProperty property{};
        if (XmbTextListToTextProperty(display, list, 1, XStdICCTextStyle, &property) < 0) {
            // As the toolkit does when Xlib cannot convert: the whole title in Latin-1.
            type = XCB_ATOM_STRING;
            return title.toLatin1();
        }
        converted =
            QByteArray(reinterpret_cast<const char*>(property.value), qsizetype(property.nitems));
        convertedType = xcb_atom_t(property.encoding);
        convertedRest = rest;
        XFree(property.value);
    }
    type = convertedType;
    return title.left(ascii).toLatin1() + converted;
}

// The atom of that name on the toolkit's connection, asked for once.
xcb_atom_t CachedAtom(xcb_connection_t* c, const char* name, xcb_atom_t& cache)
{
    if (cache == xcb_atom_t(XCB_ATOM_NONE))
        cache = X11Atom(c, name);
    return cache;
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
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* display = x11 ? x11->display() : nullptr;
    // "[*]" marks a modified document in a title, which the toolkit alone formats; without
    // Xlib only the toolkit knows how to write WM_NAME.
    if (!text.isEmpty() && (!display || text.contains(u"[*]"))) {
        WithoutOwnEcho(c, id, [&] { window->setWindowTitle(text); });
        return;
    }
    static xcb_atom_t netName = XCB_ATOM_NONE;
    static xcb_atom_t utf8 = XCB_ATOM_NONE;
    CachedAtom(c, "_NET_WM_NAME", netName);
    CachedAtom(c, "UTF8_STRING", utf8);
    xcb_atom_t legacyType = XCB_ATOM_STRING;
    const QByteArray legacy = display ? LegacyName(display, text, legacyType) : QByteArray("");
    const QByteArray net = text.toUtf8();
    WithoutOwnEcho(c, id, [&] {
        // The toolkit's record of the title (the window's accessible name) follows, while the
        // properties are written here: the toolkit writes only when the native window is
        // made, and is told the title again then (TForm::UpdateWindowTitle).
        window->setAttribute(Qt::WA_WState_Created, false);
        window->setWindowTitle(text);
        window->setAttribute(Qt::WA_WState_Created, true);
        if (netName != xcb_atom_t(XCB_ATOM_NONE) && utf8 != xcb_atom_t(XCB_ATOM_NONE))
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, netName, utf8, 8,
                                static_cast<uint32_t>(net.size()), net.constData());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, legacyType, 8,
                            static_cast<uint32_t>(legacy.size()), legacy.constData());
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
