#include "Cursors.h"

#include <QFile>
#include <QImage>
#include <QPixmap>

namespace {
// Reads a two-colour 32 x 32 cursor file: one image with its hot spot, an XOR mask and an
// AND mask, rows bottom-up. Returns a null cursor shape when the data is not of that form.
bool ReadCursorFile(const QByteArray& data, QImage& image, QPoint& hotSpot)
{
    const auto byte = [&](qsizetype at) -> quint32 {
        return at < data.size() ? static_cast<quint8>(data[at]) : 0;
    };
    const auto u16 = [&](qsizetype at) { return byte(at) | byte(at + 1) << 8; };
    const auto u32 = [&](qsizetype at) { return u16(at) | u16(at + 2) << 16; };
    if (data.size() < 22 || u16(0) != 0 || u16(2) != 2 || u16(4) < 1)
        return false;
    hotSpot = QPoint(static_cast<int>(u16(10)), static_cast<int>(u16(12)));
    const quint32 offset = u32(18);
    const qsizetype header = 40, palette = 8, rowBytes = 4, rows = 32;
    if (offset + header + palette + 2 * rowBytes * rows > static_cast<quint32>(data.size()))
        return false;
    if (u32(offset + 4) != 32 || u32(offset + 8) != 64 || u16(offset + 14) != 1)
        return false;
    const qsizetype xorMask = offset + header + palette;
    const qsizetype andMask = xorMask + rowBytes * rows;
    image = QImage(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y) {
        const qsizetype row = (31 - y) * rowBytes;
        for (int x = 0; x < 32; ++x) {
            const int bit = 7 - (x % 8);
            const bool a = (byte(andMask + row + x / 8) >> bit) & 1;
            const bool c = (byte(xorMask + row + x / 8) >> bit) & 1;
            image.setPixel(x, y, a ? qRgba(0, 0, 0, 0) : (c ? qRgb(255, 255, 255) : qRgb(0, 0, 0)));
        }
    }
    return true;
}

QCursor LoadHandCursor()
{
    // The decoded image is kept, not the cursor: a pixmap must not outlive the application.
    static QImage image;
    static QPoint hotSpot;
    static const bool loaded = [] {
        QFile file(QStringLiteral(":/resources/handpoint.cur"));
        return file.open(QIODevice::ReadOnly) && ReadCursorFile(file.readAll(), image, hotSpot);
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
