#include "WindowIconName.h"

#include <QGuiApplication>
#include <QWidget>
#include <xcb/xcb.h>

namespace {
int Writes = 0;
}

int WindowIconNameWrites()
{
    return Writes;
}

void SetWindowIconName(QWidget* window, const QString& text)
{
    ++Writes;
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
