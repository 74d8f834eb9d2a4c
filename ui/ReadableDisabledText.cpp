#include "ReadableDisabledText.h"

#include <QColor>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {
double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c)
{
    return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

QColor Mix(const QColor& from, const QColor& to, double t)
{
    return QColor::fromRgbF(static_cast<float>(from.redF() + (to.redF() - from.redF()) * t),
                            static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * t),
                            static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * t));
}
} // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void KeepDisabledTextReadable(QWidget* edit)
{
    const QPalette& current = edit->palette();
    const QColor base = current.color(QPalette::Disabled, QPalette::Base);
    const QColor grey = current.color(QPalette::Disabled, QPalette::Text);
    if (ContrastRatio(grey, base) >= ReadableContrast)
        return;
    // From the disabled grey towards the enabled text colour, in twentieths, to the first
    // that reads; black or white if even the enabled colour does not.
    const QColor full = current.color(QPalette::Active, QPalette::Text);
    QColor text = ContrastRatio(Qt::black, base) > ContrastRatio(Qt::white, base)
                      ? QColor(Qt::black)
                      : QColor(Qt::white);
    for (int step = 1; step <= 20; ++step) {
        const QColor mixed = Mix(grey, full, step / 20.0);
        if (ContrastRatio(mixed, base) >= ReadableContrast) {
            text = mixed;
            break;
        }
    }
    // Only this one colour is set: the rest still follows the parent's and the
    // application's palette.
    QPalette own;
    own.setColor(QPalette::Disabled, QPalette::Text, text);
    edit->setPalette(own);
}
