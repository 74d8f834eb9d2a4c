#include "ScreenCentring.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace {
constexpr int TickMs = 20;
constexpr int LimitTicks = 2000 / TickMs;
// A frame that has kept its size this long is the window manager's final one.
constexpr int StableTicks = 300 / TickMs;
} // namespace

TScreenCentring::TScreenCentring(QWidget* window, std::function<void(QPoint)> move)
    : QObject(window), FWindow(window), FMove(std::move(move)), FTimer(new QTimer(this))
{
    FTimer->setInterval(TickMs);
    connect(FTimer, &QTimer::timeout, this, &TScreenCentring::Check);
}

QSize TScreenCentring::Frame() const
{
    return FWindow->frameGeometry().size() - FWindow->size();
}

void TScreenCentring::Centre(QSize frame)
{
    FCentredFor = frame;
    const QScreen* screen = FWindow->screen() ? FWindow->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize outer = FWindow->size() + frame;
    FMove(QPoint(area.x() + (area.width() - outer.width()) / 2,
                 area.y() + (area.height() - outer.height()) / 2));
}

void TScreenCentring::Start()
{
    Centre(Frame());
    FTicks = 0;
    FStableTicks = 0;
    FWindow->installEventFilter(this);
    FTimer->start();
}

void TScreenCentring::Check()
{
    const QSize frame = Frame();
    if (frame != FCentredFor) {
        FStableTicks = 0;
        Centre(frame);
    } else if (!frame.isEmpty()) {
        ++FStableTicks;
    }
    if (++FTicks >= LimitTicks || FStableTicks >= StableTicks) {
        FTimer->stop();
        FWindow->removeEventFilter(this);
    }
}

bool TScreenCentring::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FWindow && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        Check();
    return false;
}
