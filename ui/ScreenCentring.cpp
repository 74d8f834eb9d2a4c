#include "ScreenCentring.h"

#include "X11.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <xcb/xcb.h>

namespace {
constexpr int TickMs = 20;
constexpr int LimitTicks = 3000 / TickMs;
// Right this long, with the window manager's frame known: done.
constexpr int SettledTicks = 300 / TickMs;
// After a move, the window manager's answer is awaited this long before another.
constexpr int AnswerTicks = 200 / TickMs;

// _NET_FRAME_EXTENTS (left, right, top, bottom) of an X11 window; false when not set.
bool X11FrameExtents(QWidget* window, QMargins& frame)
{
    if (!window->testAttribute(Qt::WA_WState_Created))
        return false;
    xcb_connection_t* c = X11Connection();
    if (!c)
        return false;
    const xcb_atom_t extents = X11Atom(c, "_NET_FRAME_EXTENTS", true);
    if (extents == XCB_ATOM_NONE)
        return false;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, static_cast<xcb_window_t>(window->winId()),
                                                extents, XCB_ATOM_CARDINAL, 0, 4),
                               nullptr);
    bool ok = false;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
        const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        if (v[0] < 1000 && v[1] < 1000 && v[2] < 1000 && v[3] < 1000) {
            frame = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
            ok = true;
        }
    }
    free(reply);
    return ok;
}
} // namespace

TScreenCentring::TScreenCentring(QWidget* window, std::function<void(QPoint)> placed)
    : QObject(window), FWindow(window), FPlaced(std::move(placed)), FTimer(new QTimer(this))
{
    FTimer->setInterval(TickMs);
    connect(FTimer, &QTimer::timeout, this, &TScreenCentring::Check);
    window->installEventFilter(this);
}

bool TScreenCentring::eventFilter(QObject* watched, QEvent* event)
{
    // Only the first showing is centred: once hidden, the window keeps its place.
    if (watched == FWindow && event->type() == QEvent::Hide)
        FTimer->stop();
    return false;
}

QMargins TScreenCentring::Frame() const
{
    QMargins frame;
    if (X11FrameExtents(FWindow, frame))
        return frame;
    const QRect outer = FWindow->frameGeometry(), inner = FWindow->geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

QPoint TScreenCentring::CentredClient(const QMargins& frame) const
{
    const QScreen* screen =
        FWindow->screen() ? FWindow->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect();
    const int width = FWindow->width() + frame.left() + frame.right();
    const int height = FWindow->height() + frame.top() + frame.bottom();
    return QPoint(area.x() + (area.width() - width) / 2 + frame.left(),
                  area.y() + (area.height() - height) / 2 + frame.top());
}

void TScreenCentring::Start()
{
    const QMargins frame = Frame();
    const QPoint outer = CentredClient(frame) - QPoint(frame.left(), frame.top());
    FWindow->move(outer);
    if (FPlaced)
        FPlaced(outer);
    FTicks = FRightTicks = FWaitTicks = 0;
    FLastClient = FWindow->geometry().topLeft();
    FTimer->start();
}

void TScreenCentring::Check()
{
    if (++FTicks >= LimitTicks || !FWindow->isVisible()) {
        FTimer->stop();
        return;
    }
    QMargins frame;
    const bool reported = X11FrameExtents(FWindow, frame);
    if (!reported)
        frame = Frame();
    const QPoint client = FWindow->geometry().topLeft();
    const QPoint wanted = CentredClient(frame);
    if (client != FLastClient)
        FWaitTicks = 0; // the window manager has answered
    FLastClient = client;
    if (client == wanted) {
        if (reported && ++FRightTicks >= SettledTicks)
            FTimer->stop();
        return;
    }
    FRightTicks = 0;
    if (FWaitTicks > 0) {
        --FWaitTicks;
        return;
    }
    // The toolkit places the frame by its own idea of the frame; the difference between the
    // place wanted and the place reached corrects for it.
    FWindow->move(FWindow->pos() + (wanted - client));
    FWaitTicks = AnswerTicks;
    if (FPlaced)
        FPlaced(wanted - QPoint(frame.left(), frame.top()));
}
