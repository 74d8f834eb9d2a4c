#pragma once

class QColor;
class QWidget;

// The contrast ratio of two colours as low-vision guidelines measure it: (L1 + 0.05) /
// (L2 + 0.05) of their relative luminances, lighter over darker; 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b);

// The least contrast that text must keep against its background to be read with low vision.
constexpr double ReadableContrast = 4.5;

// Gives the edit's disabled text a colour that keeps ReadableContrast against its disabled
// background, staying as grey as that allows, so that a disabled field still reads.
void KeepDisabledTextReadable(QWidget* edit);
