#include "Cursors.h"

#include "Pictures.h"

#include <QPixmap>

namespace {
QCursor LoadHandCursor()
{
    // The decoded image is kept, not the cursor: a pixmap must not outlive the application.
    static QImage image;
    static QPoint hotSpot;
    static const bool loaded = [] {
        image = ReadCursorPicture(QStringLiteral(":/resources/handpoint.cur"), hotSpot);
        return !image.isNull();
    }();
    if (loaded)
        return QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
    return QCursor(Qt::PointingHandCursor);
}
} // namespace

QCursor CursorShape(TCursor cursor)
{
    switch (cursor) {
    case crHandPoint:
        return LoadHandCursor();
    case crHourGlass:
        return QCursor(Qt::WaitCursor);
    case crIBeam:
        return QCursor(Qt::IBeamCursor);
    case crCross:
        return QCursor(Qt::CrossCursor);
    case crSizeAll:
        return QCursor(Qt::SizeAllCursor);
    case crNo:
        return QCursor(Qt::ForbiddenCursor);
    case crNone:
        return QCursor(Qt::BlankCursor);
    default:
        return QCursor(Qt::ArrowCursor);
    }
}
