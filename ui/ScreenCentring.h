#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <functional>

class QTimer;
class QWidget;

// Centres a top-level window's outer frame on the screen at its first showing. The window
// manager adds the frame only after the window is shown and reports it a little later, and
// the toolkit's own idea of the frame can be a passing one seen while the window is
// reparented. So the window is centred at once by what is known, and then, for a short
// while, the client area's real place is compared with where the frame that the window
// manager reports puts it, and corrected, until it has stayed right for a while.
class TScreenCentring : public QObject {
public:
    // Placed is told the outer frame's place after each move.
    TScreenCentring(QWidget* window, std::function<void(QPoint)> placed);
    // Call right before the window is shown.
    void Start();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Check();
    // The frame that the window manager reports (X11 _NET_FRAME_EXTENTS), else the toolkit's.
    QMargins Frame() const;
    QPoint CentredClient(const QMargins& frame) const;

    QWidget* FWindow;
    std::function<void(QPoint)> FPlaced;
    QTimer* FTimer;
    int FTicks = 0;
    int FRightTicks = 0;
    int FWaitTicks = 0;
    QPoint FLastClient;
};
