#include "ScreenCentring.h"

#include "X11.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <poll.h>
#include <xcb/xcb.h>

namespace {
// How long the window manager may take to say which frame it will add. Window managers
// answer within a few milliseconds; one that does not answer at all only costs this once.
constexpr int AnswerLimitMs = 200;
// How long after the first showing a frame that differs from the assumed one is corrected.
constexpr int WatchLimitMs = 3000;

xcb_window_t RootOf(xcb_connection_t* c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// _NET_FRAME_EXTENTS (left, right, top, bottom); false when not set or not sensible.
bool ReadFrameExtents(xcb_connection_t* c, xcb_window_t id, xcb_atom_t extents, QMargins& frame)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, id, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr);
    bool ok = false;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
        const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        if (v[0] < 1000 && v[1] < 1000 && v[2] < 1000 && v[3] < 1000) {
            frame = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
            ok = true;
        }
    }
    std::free(reply);
    return ok;
}

bool Supports(xcb_connection_t* c, xcb_atom_t feature)
{
    const xcb_atom_t supported = X11Atom(c, "_NET_SUPPORTED", true);
    if (supported == XCB_ATOM_NONE || feature == XCB_ATOM_NONE)
        return false;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, RootOf(c), supported, XCB_ATOM_ATOM, 0, 4096), nullptr);
    bool found = false;
    if (reply && reply->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        const int n = xcb_get_property_value_length(reply) / 4;
        for (int i = 0; i < n && !found; ++i)
            found = atoms[i] == feature;
    }
    std::free(reply);
    return found;
}

// Asks the window manager for the frame it will give the not yet mapped window and waits
// for its answer. The answer is a property change on the window, which the toolkit's own
// connection would take; a connection of its own hears it here, without a busy wait.
bool RequestFrameExtents(xcb_connection_t* toolkit, xcb_window_t id, xcb_atom_t extents,
                         QMargins& frame)
{
    const xcb_atom_t request = X11Atom(toolkit, "_NET_REQUEST_FRAME_EXTENTS", true);
    // Supports() waits for a reply, so the window that the toolkit has just created exists on
    // the server before the other connection names it.
    if (!Supports(toolkit, request))
        return false;
    xcb_connection_t* own = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(own)) {
        xcb_disconnect(own);
        return false;
    }
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(own, id, XCB_CW_EVENT_MASK, &mask);
    xcb_client_message_event_t ask{};
    ask.response_type = XCB_CLIENT_MESSAGE;
    ask.format = 32;
    ask.window = id;
    ask.type = request;
    xcb_send_event(own, 0, RootOf(own),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ask));
    xcb_flush(own);

    QElapsedTimer clock;
    clock.start();
    bool answered = false;
    pollfd fd{xcb_get_file_descriptor(own), POLLIN, 0};
    while (!answered && !xcb_connection_has_error(own)) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(own)) {
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
                answered = answered || (notify->window == id && notify->atom == extents);
            }
            std::free(event);
        }
        const qint64 left = AnswerLimitMs - clock.elapsed();
        if (answered || left <= 0 || ::poll(&fd, 1, int(left)) <= 0)
            break;
    }
    const bool ok = answered && ReadFrameExtents(own, id, extents, frame);
    xcb_disconnect(own);
    return ok;
}

// Where the client area's top-left corner is on the screen now, as the server knows it.
bool ClientOnScreen(xcb_connection_t* c, xcb_window_t id, QPoint& place)
{
    xcb_translate_coordinates_reply_t* reply = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, id, RootOf(c), 0, 0), nullptr);
    if (reply)
        place = QPoint(reply->dst_x, reply->dst_y);
    std::free(reply);
    return reply != nullptr;
}
} // namespace

TScreenCentring::TScreenCentring(QWidget* window, std::function<void(QPoint)> placed)
    : QObject(window), FWindow(window), FPlaced(std::move(placed))
{
    window->installEventFilter(this);
}

TScreenCentring::~TScreenCentring()
{
    StopWatching();
}

// The toolkit's pixels scaled by the device pixel ratio about the screen's corner, as Qt maps
// them; the X server, and so the frame extents, count device pixels.
QPointF TScreenCentring::ToDevice(QPointF logical) const
{
    const QPointF origin = ScreenArea().topLeft();
    return origin + (logical - origin) * FWindow->devicePixelRatioF();
}

QPoint TScreenCentring::ToLogical(QPointF device) const
{
    const QPointF origin = ScreenArea().topLeft();
    return (origin + (device - origin) / FWindow->devicePixelRatioF()).toPoint();
}

QRect TScreenCentring::ScreenArea() const
{
    const QScreen* screen =
        FWindow->screen() ? FWindow->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

QPoint TScreenCentring::CentredClient(const QMargins& frame) const
{
    const QRect area = ScreenArea();
    const qreal ratio = FWindow->devicePixelRatioF();
    const QSizeF screen = QSizeF(area.size()) * ratio, client = QSizeF(FWindow->size()) * ratio;
    const qreal width = client.width() + frame.left() + frame.right();
    const qreal height = client.height() + frame.top() + frame.bottom();
    const QPointF corner = ToDevice(area.topLeft()) +
                           QPointF(std::floor((screen.width() - width) / 2) + frame.left(),
                                   std::floor((screen.height() - height) / 2) + frame.top());
    return ToLogical(corner);
}

// A move() places the frame by the toolkit's passing idea of it; the geometry places the
// client area itself.
void TScreenCentring::MoveClientTo(QPoint client)
{
    FWindow->setGeometry(QRect(client, FWindow->size()));
}

void TScreenCentring::Start()
{
    // A Wayland client cannot place its window: the compositor does.
    if (QGuiApplication::platformName().startsWith(u"wayland"))
        return;
    // The native window made now is placed by its client area, and its frame can be asked
    // for before it maps.
    FId = static_cast<quint32>(FWindow->winId());
    const QRect outer = FWindow->frameGeometry(), inner = FWindow->geometry();
    FFrame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                      outer.right() - inner.right(), outer.bottom() - inner.bottom()) *
             FWindow->devicePixelRatioF();
    xcb_connection_t* c = X11Connection();
    if (c) {
        FExtentsAtom = X11Atom(c, "_NET_FRAME_EXTENTS");
        RequestFrameExtents(c, FId, FExtentsAtom, FFrame);
    }
    FAsked = CentredClient(FFrame);
    MoveClientTo(FAsked);
    if (FPlaced)
        FPlaced(OuterCorner(FAsked, FFrame));
    if (!c || FExtentsAtom == XCB_ATOM_NONE)
        return;
    // The window manager sets the frame again when it maps the window; a frame other than the
    // one assumed is corrected then.
    FWatching = true;
    qApp->installNativeEventFilter(this);
    QTimer::singleShot(WatchLimitMs, this, &TScreenCentring::StopWatching);
}

void TScreenCentring::StopWatching()
{
    if (!FWatching)
        return;
    FWatching = false;
    qApp->removeNativeEventFilter(this);
}

bool TScreenCentring::eventFilter(QObject* watched, QEvent* event)
{
    // Only the first showing is centred: once hidden, the window keeps its place.
    if (watched == FWindow && event->type() == QEvent::Hide)
        StopWatching();
    return false;
}

bool TScreenCentring::nativeEventFilter(const QByteArray& type, void* message, qintptr*)
{
    if (!FWatching || FCheckQueued || type != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
    if (notify->window == FId && notify->atom == FExtentsAtom) {
        // Checked once the toolkit has handled what came with it, outside its event dispatch.
        FCheckQueued = true;
        QMetaObject::invokeMethod(this, &TScreenCentring::CheckFrame, Qt::QueuedConnection);
    }
    return false;
}

void TScreenCentring::CheckFrame()
{
    FCheckQueued = false;
    xcb_connection_t* c = X11Connection();
    QMargins frame;
    QPoint client;
    if (!FWatching || !c || !ReadFrameExtents(c, FId, FExtentsAtom, frame) ||
        !ClientOnScreen(c, FId, client))
        return;
    // The toolkit rounds to its own pixels: less than one of them apart is the asked place.
    const QPointF offset = client - ToDevice(FAsked);
    const qreal ratio = FWindow->devicePixelRatioF();
    if (std::abs(offset.x()) >= ratio || std::abs(offset.y()) >= ratio) {
        StopWatching(); // placed elsewhere by the window manager or the user: theirs
        return;
    }
    if (frame == FFrame)
        return;
    StopWatching();
    const QPoint wanted = CentredClient(frame);
    MoveClientTo(wanted);
    if (FPlaced)
        FPlaced(OuterCorner(wanted, frame));
}

QPoint TScreenCentring::OuterCorner(QPoint client, const QMargins& frame) const
{
    return ToLogical(ToDevice(client) - QPointF(frame.left(), frame.top()));
}
