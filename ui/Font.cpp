#include "Font.h"

#include <cmath>

int TFont::Size() const
{
    return static_cast<int>(std::lround(-Height * 72.0 / 96.0));
}

void TFont::SetSize(int points)
{
    Height = -static_cast<int>(std::lround(points * 96.0 / 72.0));
}

QFont TFont::ToQFont() const
{
    QFont f(Name);
    f.setPixelSize(std::abs(Height) > 0 ? std::abs(Height) : 11);
    f.setBold(Style & (1u << fsBold));
    f.setItalic(Style & (1u << fsItalic));
    f.setUnderline(Style & (1u << fsUnderline));
    f.setStrikeOut(Style & (1u << fsStrikeOut));
    return f;
}
