#include "GroupBox.h"

#include "Accessibility.h"

#include <QPainter>
#include <QStyle>
#include <QWidget>

namespace {
// An etched frame whose top edge runs through the middle of the caption, which is drawn on
// the face colour at the frame's left.
class GroupBoxWidget : public QWidget {
public:
    explicit GroupBoxWidget(TGroupBox* box) : FBox(box) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QPalette& pal = palette();
        const QFontMetrics fm(font());
        const int top = fm.height() / 2;
        const QRect frame = rect().adjusted(0, top, -1, -1);
        p.setPen(pal.color(QPalette::Dark));
        p.drawRect(frame.adjusted(0, 0, -1, -1));
        p.setPen(pal.color(QPalette::Light));
        p.drawRect(frame.adjusted(1, 1, 0, 0));

        const QString caption = CapShownText(FBox->Caption());
        if (caption.isEmpty())
            return;
        const int flags = Qt::TextShowMnemonic | Qt::TextSingleLine | Qt::AlignLeft | Qt::AlignTop;
        QRect text = fm.boundingRect(QRect(8, 0, width() - 16, fm.height()), flags, caption);
        p.fillRect(text, pal.color(QPalette::Window));
        style()->drawItemText(&p, text, flags, pal, isEnabled(), caption, QPalette::WindowText);
    }

private:
    TGroupBox* FBox;
};
} // namespace

const TClassInfo& TGroupBox::StaticClassInfo()
{
    using C = TGroupBox;
    static const TClassInfo info{
        "TGroupBox",
        &TWinControl::StaticClassInfo(),
        {
            Published<C>("Caption", &TypeInfos::TCaption, &C::Caption, &C::SetCaption),
            // Accepted and ignored: painted in the palette's face colour (clBtnFace).
            Published<C>("Color", &TypeInfos::TColor, &C::Color, &C::SetColor),
        }};
    return info;
}

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner, new GroupBoxWidget(this)) {}

void TGroupBox::TextChanged()
{
    if (Widget())
        Widget()->update();
}

void TGroupBox::AnnounceTextChange(const QString& oldText)
{
    AnnounceCaptionChange(Widget(), oldText);
}
