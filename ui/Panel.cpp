#include "Panel.h"

#include "Accessibility.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace {
const char* const BevelCutNames[] = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};

class PanelWidget : public QWidget {
public:
    explicit PanelWidget(TPanel* panel) : FPanel(panel)
    {
        // paintEvent fills all it is asked to paint: the toolkit need not fill it first.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // The bevel and border widths as painted. The stored widths can be anything a language
    // file says; more than half the panel covers it whole, so nothing wider is ever drawn.
    std::pair<int, int> PaintedWidths() const
    {
        const int most = (std::min(width(), height()) + 1) / 2;
        return {std::clamp(FPanel->BevelWidth(), 0, most),
                std::clamp(FPanel->BorderWidth(), 0, most)};
    }

    // The face inside the bevels and the border.
    QRect Face() const
    {
        const auto [bevel, border] = PaintedWidths();
        QRect r = rect();
        if (FPanel->BevelOuter() != bvNone)
            r.adjust(bevel, bevel, -bevel, -bevel);
        r.adjust(border, border, -border, -border);
        if (FPanel->BevelInner() != bvNone)
            r.adjust(bevel, bevel, -bevel, -bevel);
        return r;
    }

    // A band as high as a line of the font, centred vertically in the face: the caption is
    // drawn in it, from its top, on one line, and clipped to it.
    QRect TextBand(const QRect& face)
    {
        const int band = Metrics().LineHeight;
        return {face.left(), face.top() + (face.height() - band) / 2, face.width(), band};
    }

    // A new caption repaints its band only: the bevels stay as they are. A panel that stays
    // empty repaints nothing and builds no font metrics.
    void CaptionChanged()
    {
        QString shown = CapShownText(FPanel->Caption());
        if (shown.isEmpty()) {
            if (!FShown.isEmpty())
                update(TextBand(Face()));
            FShownEnds.clear();
        } else {
            update(ChangedPart(shown));
        }
        FShown = std::move(shown);
    }

    // Where in the band the new caption differs from the one before. Most new readings change
    // a digit or two: then only those digits and a character either side are repainted, which
    // spares blending the other glyphs and sending them to the server. Digits take part in no
    // ligature, and digits of one width keep every other character in its place; anything
    // else repaints the whole band. Measured from the font's advances, not laid out: the
    // margin takes in kerning and a digit's ink beyond its advance. The advances of the
    // caption shown are kept, so a reading that changes digits only looks up none.
    QRect ChangedPart(const QString& after)
    {
        const QRect band = TextBand(Face());
        const QString& before = FShown;
        const qsizetype n = after.size();
        qsizetype first = 0;
        qsizetype end = n;
        bool sameShape = before.size() == n && qsizetype(FShownEnds.size()) == n;
        if (sameShape) {
            while (first < n && before[first] == after[first])
                ++first;
            while (end > first && before[end - 1] == after[end - 1])
                --end;
            for (qsizetype i = first; sameShape && i < end; ++i)
                sameShape = IsAsciiDigit(before[i]) && IsAsciiDigit(after[i]) &&
                            DigitAdvance(before[i]) == DigitAdvance(after[i]);
        }
        if (!sameShape) {
            const QFontMetricsF& fm = Metrics().Font;
            FShownEnds.resize(size_t(n));
            qreal width = 0;
            for (qsizetype i = 0; i < n; ++i)
                FShownEnds[size_t(i)] = width += fm.horizontalAdvance(after[i]);
            return band;
        }
        const qsizetype from = std::max<qsizetype>(first - 1, 0);
        const qsizetype to = std::min(end + 1, n);
        const qreal width = n ? FShownEnds.back() : 0;
        const qreal left = from ? FShownEnds[size_t(from - 1)] : 0;
        const qreal right = to ? FShownEnds[size_t(to - 1)] : 0;
        qreal start = band.left();
        if (FPanel->Alignment() == taCenter)
            start += (band.width() - width) / 2;
        else if (FPanel->Alignment() == taRightJustify)
            start += band.width() - width;
        const qreal margin = 2 + Metrics().Font.height() / 8;
        return QRect(QPoint(int(std::floor(start + left - margin)), band.top()),
                     QPoint(int(std::ceil(start + right + margin)), band.bottom())) &
               band;
    }

    static bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

    qreal DigitAdvance(QChar digit) { return Metrics().Digits[digit.unicode() - u'0']; }

    // The font's figures this widget asks for at each reading, built at the first one and
    // again when the font changes.
    struct TMetrics {
        explicit TMetrics(const QFont& font) : Font(font), LineHeight(QFontMetrics(font).height())
        {
            for (int d = 0; d < 10; ++d)
                Digits[size_t(d)] = Font.horizontalAdvance(QChar(u'0' + d));
        }
        QFontMetricsF Font;
        int LineHeight;
        std::array<qreal, 10> Digits{};
    };

    const TMetrics& Metrics()
    {
        if (!FMetrics)
            FMetrics.emplace(font());
        return *FMetrics;
    }

protected:
    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::FontChange) {
            FMetrics.reset();
            FShownEnds.clear();
        }
        QWidget::changeEvent(event);
    }

    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        const QPalette& pal = palette();
        QRect r = rect();
        p.fillRect(event->rect(), pal.color(QPalette::Button));
        const std::pair<int, int> widths = PaintedWidths();
        const int bevelWidth = widths.first;
        const int borderWidth = widths.second;
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
        const int align = Qt::AlignTop | Qt::TextSingleLine | AlignmentFlag(FPanel->Alignment());
        p.setPen(
            pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        p.drawText(TextBand(r), align, CapShownText(FPanel->Caption()));
    }

    // Rings of one pixel, outermost first: top and left edges in one colour, bottom and right
    // in the other. Rings never share a pixel, so only those that cross the exposed area are
    // drawn, and the cost follows that area, not the width. Each edge is filled as the
    // pixels it covers: a line drawn with a pen straddles them at a device-pixel ratio above
    // 1, and would reach into the face, where a repaint of the text band wipes it.
    static void DrawBevel(QPainter& p, const QRect& r, const QRect& exposed, int width,
                          const QColor& topLeft, const QColor& bottomRight)
    {
        const auto ring = [&](int i) {
            const QRect b = r.adjusted(i, i, -i, -i);
            p.fillRect(QRect(b.left(), b.top(), b.width(), 1), topLeft);
            p.fillRect(QRect(b.left(), b.top(), 1, b.height()), topLeft);
            p.fillRect(QRect(b.left(), b.bottom(), b.width(), 1), bottomRight);
            p.fillRect(QRect(b.right(), b.top(), 1, b.height()), bottomRight);
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
    QString FShown;                // the painted part of the caption, as last asked to be repainted
    std::vector<qreal> FShownEnds; // where each of its characters ends, from its start
    std::optional<TMetrics> FMetrics;
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
        static_cast<PanelWidget*>(Widget())->CaptionChanged();
}

void TPanel::AnnounceTextChange(const QString& oldText)
{
    AnnounceCaptionChange(Widget(), oldText);
}

void TPanel::Repaint()
{
    if (Widget())
        Widget()->update();
}

void TPanel::SetBevelInner(TBevelCut cut)
{
    FBevelInner = cut;
    Repaint();
}

void TPanel::SetBevelOuter(TBevelCut cut)
{
    FBevelOuter = cut;
    Repaint();
}

void TPanel::SetBevelWidth(int width)
{
    FBevelWidth = width;
    Repaint();
}

void TPanel::SetBorderWidth(int width)
{
    FBorderWidth = width;
    Repaint();
}

void TPanel::SetAlignment(TAlignment alignment)
{
    FAlignment = alignment;
    Repaint();
}
