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

namespace {
// The stored families are not installed here; fontconfig would map them after a fallback
// search, always to the same metric-compatible family. Asking for that family directly
// skips the search. Name keeps the stored family.
QString InstalledFamily(const QString& name)
{
    if (name.compare(u"MS Sans Serif", Qt::CaseInsensitive) == 0)
        return QStringLiteral("DejaVu Sans");
    if (name.compare(u"Arial", Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans");
    return name;
}
} // namespace

QFont TFont::ToQFont() const
{
    QFont f(InstalledFamily(Name));
    f.setPixelSize(std::abs(Height) > 0 ? std::abs(Height) : 11);
    f.setBold(Style & (1u << fsBold));
    f.setItalic(Style & (1u << fsItalic));
    f.setUnderline(Style & (1u << fsUnderline));
    f.setStrikeOut(Style & (1u << fsStrikeOut));
    return f;
}
