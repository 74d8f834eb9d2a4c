#pragma once

#include <QImage>
#include <QPoint>
#include <QString>

// The program's pictures, each read in the form it is stored in, without Qt's image plugins.
// Each gives a null image when the file is missing or not of its form.

// A BMP picture. With the format named and probing off, Qt reads it with its built-in reader.
QImage ReadBmpPicture(const QString& path);

// A square picture stored decoded (side x side, RGBA bytes, rows top-down): no image reader
// and no colour conversion.
QImage ReadRgbaPicture(const QString& path, int side);

// A two-colour 32 x 32 cursor file: one image with its hot spot, an XOR mask and an AND mask,
// rows bottom-up.
QImage ReadCursorPicture(const QString& path, QPoint& hotSpot);
