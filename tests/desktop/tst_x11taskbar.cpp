// The taskbar text and the title on a real X server under a window manager: the properties
// are written, this program hears none of its own writes, and it still hears every other change to
// its window, so the toolkit keeps following the window manager's state.
#include "WindowNames.h"
#include "X11.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QWidget>
#include <QtTest>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {
QByteArray Property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_ATOM_ANY, 0, 1024), nullptr);
    QByteArray value;
    if (reply)
        value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    std::free(reply);
    return value;
}

// Counts the property changes this connection hears on one window, by atom.
class PropertyEvents : public QAbstractNativeEventFilter {
public:
    xcb_window_t Window = XCB_WINDOW_NONE;
    QHash<xcb_atom_t, int> Heard;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
            if (notify->window == Window)
                ++Heard[notify->atom];
        }
        return false;
    }
};
} // namespace

class TestX11Taskbar : public QObject {
    Q_OBJECT
private slots:
    void ownWritesAreNotHeard();
};

void TestX11Taskbar::ownWritesAreNotHeard()
{
    if (QGuiApplication::platformName() != u"xcb")
        QSKIP("needs an X server");
    xcb_connection_t* c = X11Connection();
    QWidget window;
    window.resize(200, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window, 30000)); // a loaded machine can take seconds
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t netIconName = X11Atom(c, "_NET_WM_ICON_NAME");
    PropertyEvents events;
    events.Window = id;
    qApp->installNativeEventFilter(&events);

    const xcb_atom_t netName = X11Atom(c, "_NET_WM_NAME");
    const QString text = QStringLiteral("ZVK Demo   +021.1 \u00B0C");
    const QString title = QStringLiteral("+021.1 \u00B0C \u2013 Ukázka");
    // A reading's two names reach the server in one round, under one grab.
    const int grabs = WindowNamesGrabs();
    for (int i = 0; i < 3; ++i) {
        const TWindowNamesRound round;
        SetWindowIconName(&window, i % 2 ? QStringLiteral("ZVK Demo") : text);
        SetWindowTitle(&window, i % 2 ? QString() : title);
    }
    QCOMPARE(WindowNamesGrabs(), grabs + 3);
    // Reading the properties back waits for the server, so the writes are done before...
    QCOMPARE(Property(c, id, netIconName), text.toUtf8());
    QCOMPARE(Property(c, id, XCB_ATOM_WM_ICON_NAME), text.toLatin1());
    QCOMPARE(window.windowIconText(), text);
    QCOMPARE(Property(c, id, netName), title.toUtf8());
    QCOMPARE(window.windowTitle(), title);
    // ...another client changes the window.
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    QVERIFY(!xcb_connection_has_error(other));
    const xcb_atom_t marker = X11Atom(other, "ZVK_TEST_MARKER");
    xcb_change_property(other, XCB_PROP_MODE_REPLACE, id, marker, XCB_ATOM_STRING, 8, 1, "x");
    xcb_flush(other);
    QTRY_COMPARE(events.Heard.value(marker), 1); // also: the server grab was released
    QCOMPARE(events.Heard.value(netIconName), 0);
    QCOMPARE(events.Heard.value(XCB_ATOM_WM_ICON_NAME), 0);
    QCOMPARE(events.Heard.value(netName), 0);
    QCOMPARE(events.Heard.value(XCB_ATOM_WM_NAME), 0);
    // An empty title is empty, not the toolkit's stand-in, the application's name.
    SetWindowTitle(&window, QString());
    QCOMPARE(Property(c, id, netName), QByteArray());
    QCOMPARE(Property(c, id, XCB_ATOM_WM_NAME), QByteArray());

    // The window manager's state still reaches the toolkit: iconify it as a pager would.
    xcb_client_message_event_t iconify{};
    iconify.response_type = XCB_CLIENT_MESSAGE;
    iconify.format = 32;
    iconify.window = id;
    iconify.type = X11Atom(other, "WM_CHANGE_STATE");
    iconify.data.data32[0] = 3; // IconicState
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_send_event(other, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&iconify));
    xcb_flush(other);
    QTRY_VERIFY(window.isMinimized());
    xcb_disconnect(other);
    qApp->removeNativeEventFilter(&events);
}

QTEST_MAIN(TestX11Taskbar)
#include "tst_x11taskbar.moc"
