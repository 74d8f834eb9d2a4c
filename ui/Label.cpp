#include "Label.h"

#include "Accessibility.h"
#include "WinControl.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QWidget>

namespace {
const char* const AlignmentNames[] = {"taLeftJustify", "taRightJustify", "taCenter"};

class LabelWidget : public QWidget {
public:
    explicit LabelWidget(TLabel* label) : FLabel(label) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        style()->drawItemText(&p, rect(), FLabel->TextFlags(), palette(), isEnabled(),
                              CapShownText(FLabel->Caption()), QPalette::WindowText);
    }

private:
    TLabel* FLabel;
};
} // namespace

namespace TypeInfos {
const TTypeInfo TAlignment{"TAlignment", TTypeKind::Enumeration, 0, 2, 0, 0, AlignmentNames};
}

const TClassInfo& TLabel::StaticClassInfo()
{
    using C = TLabel;
    static const TClassInfo info{
        "TLabel",
        &TControl::StaticClassInfo(),
        {
            Published<C>("Caption", &TypeInfos::TCaption, &C::Caption, &C::SetCaption),
            Published<C>("AutoSize", &TypeInfos::Boolean, &C::AutoSize, &C::SetAutoSize),
            Published<C>("WordWrap", &TypeInfos::Boolean, &C::WordWrap, &C::SetWordWrap),
            Published<C>("Alignment", &TypeInfos::TAlignment, &C::Alignment, &C::SetAlignment),
            // Accepted and ignored: labels paint no background of their own.
            Published<C>("Transparent", &TypeInfos::Boolean, &C::Transparent, &C::SetTransparent),
        }};
    return info;
}

TLabel::TLabel(TComponent* owner) : TControl(owner, new LabelWidget(this)) {}

int TLabel::TextFlags() const
{
    int flags = Qt::TextShowMnemonic | Qt::AlignTop;
    if (FWordWrap)
        flags |= Qt::TextWordWrap;
    return flags | AlignmentFlag(FAlignment);
}

int AlignmentFlag(TAlignment alignment)
{
    switch (alignment) {
    case taRightJustify:
        return Qt::AlignRight;
    case taCenter:
        return Qt::AlignHCenter;
    case taLeftJustify:
        break;
    }
    return Qt::AlignLeft;
}

void TLabel::SetAutoSize(bool autoSize)
{
    FAutoSize = autoSize;
    AdjustSize();
}

void TLabel::SetWordWrap(bool wrap)
{
    FWordWrap = wrap;
    AdjustSize();
}

void TLabel::SetAlignment(TAlignment alignment)
{
    FAlignment = alignment;
    if (Widget())
        Widget()->update();
}

void TLabel::TextChanged()
{
    AdjustSize();
    if (Widget())
        Widget()->update();
}

// The label's caption is also the name of the field it names.
void TLabel::AnnounceTextChange(const QString& oldText)
{
    AnnounceCaptionChange(Widget(), oldText);
    if (!Widget() || !Widget()->isVisible() || !AnnouncementsHeard())
        return;
    if (TWinControl* named = FocusControl(); named && named->Widget()) {
        QAccessibleEvent renamed(named->Widget(), QAccessible::NameChanged);
        Announce(renamed);
    }
}

void TLabel::FontChanged()
{
    TControl::FontChanged();
    AdjustSize();
}

void TLabel::AdjustSize()
{
    if (!FAutoSize || Loading())
        return;
    const QFontMetrics fm(Font().ToQFont());
    QString text = CapShownText(Caption());
    if (text.isEmpty())
        text = QStringLiteral(" ");
    const int width = FWordWrap ? Width() : 0;
    const QRect r = fm.boundingRect(QRect(0, 0, width, 0), TextFlags(), text);
    SetBounds(Left(), Top(), FWordWrap ? Width() : r.width(), r.height());
}

TWinControl* TLabel::FocusControl() const
{
    return dynamic_cast<TWinControl*>(TControl::OfWidget(FFocusWidget.data()));
}

void TLabel::SetFocusControl(TWinControl* control)
{
    FFocusWidget = control ? control->Widget() : nullptr;
}

namespace {
TLabel* FindLabelOf(const TWinControl* parent, const TControl* control)
{
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (auto* label = dynamic_cast<TLabel*>(c); label && label->FocusControl() == control)
            return label;
        if (auto* win = dynamic_cast<TWinControl*>(c))
            if (TLabel* label = FindLabelOf(win, control))
                return label;
    }
    return nullptr;
}
} // namespace

TLabel* LabelOf(const TControl* control)
{
    const TWinControl* top = control->Parent();
    if (!top)
        return nullptr;
    while (top->Parent())
        top = top->Parent();
    return FindLabelOf(top, control);
}

QString WithoutMnemonic(const QString& caption)
{
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && ++i == caption.size())
            break;
        text += caption[i];
    }
    return text;
}
