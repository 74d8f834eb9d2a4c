#include "Panel.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace {
const char* const BevelCutNames[] = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};

class PanelWidget : public QWidget {
public:
    explicit PanelWidget(TPanel* panel) : FPanel(panel) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        const QPalette& pal = palette();
        QRect r = rect();
        p.fillRect(r, pal.color(QPalette::Button));
        // The stored widths can be anything a language file says; more than half the panel
        // covers it whole, so nothing wider is ever drawn.
        const int most = (std::min(r.width(), r.height()) + 1) / 2;
        const int bevelWidth = std::clamp(FPanel->BevelWidth(), 0, most);
        const int borderWidth = std::clamp(FPanel->BorderWidth(), 0, most);
        const auto bevel = [&](TBevelCut cut) {
            if (cut == bvNone)
                return;
            if (cut != bvSpace)
                DrawBevel(p, r, event->rect(), bevelWidth,
                          pal.color(cut == bvLowered ? QPalette::Dark : QPalette::Light),
                          pal.color(cut == bvLowered ? QPalette::Light : QPalette::Dark));
            r.adjust(bevelWidth, bevelWidth, -bevelWidth, -bevelWidth);
        };
        bevel(FPanel->BevelOuter());
        r.adjust(borderWidth, borderWidth, -borderWidth, -borderWidth);
        bevel(FPanel->BevelInner());

        // An empty panel needs no font: its metrics are built at the first reading.
        if (FPanel->Caption().isEmpty())
            return;
        // A band as high as a line of the font is centred vertically; the text is drawn
        // from its top, on one line.
        const QFontMetrics fm(font());
        const int band = fm.height();
        const QRect textRect(r.left(), r.top() + (r.height() - band) / 2, r.width(), band);
        const int align = Qt::AlignTop | Qt::TextSingleLine | AlignmentFlag(FPanel->Alignment());
        p.setPen(
            pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        p.drawText(textRect, align, ShownText(FPanel->Caption()));
    }

    // Rings of one pixel, outermost first: top and left edges in one colour, bottom and right
    // in the other. Rings never share a pixel, so only those that cross the exposed area are
    // drawn, and the cost follows that area, not the width.
    static void DrawBevel(QPainter& p, const QRect& r, const QRect& exposed, int width,
                          const QColor& topLeft, const QColor& bottomRight)
    {
        const auto ring = [&](int i) {
            const QRect b = r.adjusted(i, i, -i, -i);
            p.setPen(topLeft);
            p.drawLine(b.topLeft(), b.topRight());
            p.drawLine(b.topLeft(), b.bottomLeft());
            p.setPen(bottomRight);
            p.drawLine(b.bottomLeft(), b.bottomRight());
            p.drawLine(b.topRight(), b.bottomRight());
        };
        // The rings whose top, left, bottom and right edges run through the exposed area.
        const std::pair<int, int> spans[] = {
            {exposed.top() - r.top(), exposed.bottom() - r.top()},
            {exposed.left() - r.left(), exposed.right() - r.left()},
            {r.bottom() - exposed.bottom(), r.bottom() - exposed.top()},
            {r.right() - exposed.right(), r.right() - exposed.left()},
        };
        for (const auto& [first, last] : spans)
            for (int i = std::max(first, 0); i <= std::min(last, width - 1); ++i)
                ring(i);
    }

private:
    TPanel* FPanel;
};
} // namespace

namespace TypeInfos {
const TTypeInfo TBevelCut{"TBevelCut", TTypeKind::Enumeration, 0, 3, 0, 0, BevelCutNames};
}

const TClassInfo& TPanel::StaticClassInfo()
{
    using C = TPanel;
    static const TClassInfo info{
        "TPanel",
        &TWinControl::StaticClassInfo(),
        {
            Published<C>("Caption", &TypeInfos::TCaption, &C::Caption, &C::SetCaption),
            Published<C>("BevelInner", &TypeInfos::TBevelCut, &C::BevelInner, &C::SetBevelInner),
            Published<C>("BevelOuter", &TypeInfos::TBevelCut, &C::BevelOuter, &C::SetBevelOuter),
            Published<C>("BevelWidth", &TypeInfos::Integer, &C::BevelWidth, &C::SetBevelWidth),
            Published<C>("BorderWidth", &TypeInfos::Integer, &C::BorderWidth, &C::SetBorderWidth),
            Published<C>("Alignment", &TypeInfos::TAlignment, &C::Alignment, &C::SetAlignment),
            // Accepted and ignored: the panel paints in the palette's face colour (clBtnFace).
            Published<C>("Color", &TypeInfos::TColor, &C::Color, &C::SetColor),
        }};
    return info;
}

TPanel::TPanel(TComponent* owner) : TWinControl(owner, new PanelWidget(this)) {}

void TPanel::TextChanged()
{
    if (Widget())
        Widget()->update();
}

void TPanel::SetBevelInner(TBevelCut cut)
{
    FBevelInner = cut;
    TextChanged();
}

void TPanel::SetBevelOuter(TBevelCut cut)
{
    FBevelOuter = cut;
    TextChanged();
}

void TPanel::SetBevelWidth(int width)
{
    FBevelWidth = width;
    TextChanged();
}

void TPanel::SetBorderWidth(int width)
{
    FBorderWidth = width;
    TextChanged();
}

void TPanel::SetAlignment(TAlignment alignment)
{
    FAlignment = alignment;
    TextChanged();
}
