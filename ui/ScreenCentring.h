#pragma once

#include <QAbstractNativeEventFilter>
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <functional>

class QWidget;

// Centres a top-level window's outer frame on the screen at its first showing, with one
// placement made before the window maps. On X11 the window manager is first asked which
// frame it will add (_NET_REQUEST_FRAME_EXTENTS); the client area is then put inside the
// centred frame, and since the native window exists already, the toolkit asks for that place
// with static gravity: the window manager puts the client area exactly there.
// After mapping the place is corrected at most once: when the frame that the window manager
// finally reports is not the one the placement assumed, and only while the window still sits
// exactly where it was asked to be. A window that the window manager, the compositor or the
// user has put elsewhere is never moved. A Wayland client cannot place its window at all.
class TScreenCentring : public QObject, public QAbstractNativeEventFilter {
public:
    // Placed is told the outer frame's place after each move.
    TScreenCentring(QWidget* window, std::function<void(QPoint)> placed);
    ~TScreenCentring() override;
    // Call right before the window is shown, or from its first show event.
    void Start();

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CheckFrame();
    void MoveClientTo(QPoint client);
    void StopWatching();
    QRect ScreenArea() const;
    QPointF ToDevice(QPointF logical) const;
    QPoint ToLogical(QPointF device) const;
    QPoint CentredClient(const QMargins& frame) const;
    QPoint OuterCorner(QPoint client, const QMargins& frame) const;

    QWidget* FWindow;
    std::function<void(QPoint)> FPlaced;
    QMargins FFrame; // in the X server's (device) pixels, as the window manager gives it
    QPoint FAsked;   // the client area's place asked for, in the toolkit's pixels
    quint32 FId = 0;
    quint32 FExtentsAtom = 0;
    bool FWatching = false;
    bool FCheckQueued = false;
};
