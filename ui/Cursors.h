#pragma once

#include <QCursor>

using TCursor = int;

enum : TCursor {
    crDefault = 0,
    crNone = -1,
    crArrow = -2,
    crCross = -3,
    crIBeam = -4,
    crSizeAll = -22,
    crHourGlass = -11,
    crNo = -18,
    crHandPoint = -21,
};

// The shape shown for a cursor identifier; crHandPoint is the program's own hand.
QCursor CursorShape(TCursor cursor);
