#include "WindowIconName.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

void SetWindowIconName(QWidget* window, const QString& text)
{
    window->setWindowIconText(text);
    if (QGuiApplication::platformName() != u"xcb")
        return;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    const QByteArray latin1 = text.toLatin1();
    xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->winId()), XCB_ATOM_WM_ICON_NAME,
                        XCB_ATOM_STRING, 8, static_cast<uint32_t>(latin1.size()),
                        latin1.constData());
    xcb_flush(x11->connection());
}

namespace {
xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}
} // namespace

void SetWindowTitle(QWidget* window, const QString& text)
{
    window->setWindowTitle(text);
    if (!text.isEmpty() || QGuiApplication::platformName() != u"xcb" ||
        !window->testAttribute(Qt::WA_WState_Created))
        return;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t netName = Atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
    if (netName != xcb_atom_t(XCB_ATOM_NONE) && utf8 != xcb_atom_t(XCB_ATOM_NONE))
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, netName, utf8, 8, 0, "");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                        "");
    xcb_flush(c);
}
