#include "WindowIconName.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {
int Writes = 0;

void SetX11IconName(QWidget* window, const QString& text)
{
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
            SetX11IconName(FWindow, Text);
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
    window->setWindowIconText(text);
    if (QGuiApplication::platformName() != u"xcb")
        return;
    if (window->testAttribute(Qt::WA_WState_Created)) {
        SetX11IconName(window, text);
        return;
    }
    auto* pending = window->findChild<TIconNameOnShow*>(QStringLiteral("TIconNameOnShow"),
                                                        Qt::FindDirectChildrenOnly);
    if (!pending)
        pending = new TIconNameOnShow(window);
    pending->Text = text;
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
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, "");
    xcb_flush(c);
}
