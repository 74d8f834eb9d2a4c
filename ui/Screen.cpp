#include "Screen.h"

#include <QApplication>
#include <QScreen>

TScreen* Screen = nullptr;

const TClassInfo& TScreen::StaticClassInfo()
{
    static const TClassInfo info{"TScreen", &TComponent::StaticClassInfo(), {}};
    return info;
}

TScreen::TScreen() : TComponent(nullptr)
{
    Screen = this;
}

TScreen::~TScreen()
{
    SetCursor(crDefault);
    if (Screen == this)
        Screen = nullptr;
}

void TScreen::SetCursor(TCursor cursor)
{
    if (cursor == FCursor)
        return;
    FCursor = cursor;
    // Qt keeps a stack of override cursors; this object holds at most one of them, so that
    // setting crDefault ends the busy state whatever was set before.
    if (cursor == crDefault) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    } else if (QApplication::overrideCursor()) {
        QApplication::changeOverrideCursor(CursorShape(cursor));
    } else {
        QApplication::setOverrideCursor(CursorShape(cursor));
    }
}

int TScreen::Width() const
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int TScreen::Height() const
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

int TScreen::PixelsPerInch() const
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? qRound(s->logicalDotsPerInchY()) : 96;
}
