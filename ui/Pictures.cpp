#include "Pictures.h"

#include <QFile>
#include <QImageReader>

namespace {
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
} // namespace

QImage ReadBmpPicture(const QString& path)
{
    QImageReader reader(path, "BMP");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QImage ReadRgbaPicture(const QString& path, int side)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != qint64{side} * side * 4)
        return {};
    const QByteArray bytes = file.readAll();
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    QImage image(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < side; ++x, p += 4)
            line[x] = qRgba(p[0], p[1], p[2], p[3]);
    }
    return image;
}

QImage ReadCursorPicture(const QString& path, QPoint& hotSpot)
{
    QFile file(path);
    QImage image;
    if (!file.open(QIODevice::ReadOnly) || !ReadCursorFile(file.readAll(), image, hotSpot))
        return {};
    return image;
}
