#include "CaretBlinkPause.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

namespace {
bool IsInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}
} // namespace

TCaretBlinkPause::TCaretBlinkPause(std::chrono::milliseconds idleTime)
{
    FIdle.setSingleShot(true);
    FIdle.setInterval(idleTime);
    connect(&FIdle, &QTimer::timeout, this, &TCaretBlinkPause::Pause);
    qApp->installEventFilter(this);
    FIdle.start();
}

TCaretBlinkPause::~TCaretBlinkPause()
{
    qApp->removeEventFilter(this);
    Resume();
}

bool TCaretBlinkPause::eventFilter(QObject* watched, QEvent* event)
{
    if (IsInput(event->type()) && watched->isWidgetType()) {
        Resume();
        FIdle.start();
    }
    return false;
}

void TCaretBlinkPause::Pause()
{
    if (FPaused)
        return;
    FFlashTime = QGuiApplication::styleHints()->cursorFlashTime();
    FPaused = true;
    // A flash time of 0 makes every line edit stop its blink timer and show its caret.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

void TCaretBlinkPause::Resume()
{
    if (!FPaused)
        return;
    FPaused = false;
    QGuiApplication::styleHints()->setCursorFlashTime(FFlashTime);
}
