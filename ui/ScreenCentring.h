#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <functional>

class QTimer;
class QWidget;

// Centres a top-level window's outer frame on the screen at its first showing. The window
// manager adds the frame only after the window is shown, and reports its size a little
// later (a frame seen while it reparents can be a passing one), so the window is centred at
// once by what is known, and again each time the frame's size changes, until the frame has
// kept one size for a while or a time limit has passed.
class TScreenCentring : public QObject {
public:
    // Move places the window's outer frame at the given point.
    TScreenCentring(QWidget* window, std::function<void(QPoint)> move);
    // Call right before the window is shown.
    void Start();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Check();
    void Centre(QSize frame);
    QSize Frame() const;

    QWidget* FWindow;
    std::function<void(QPoint)> FMove;
    QTimer* FTimer;
    QSize FCentredFor{-1, -1};
    int FTicks = 0;
    int FStableTicks = 0;
};
