#include "Control.h"

#include "Accessibility.h"
#include "Application.h"
#include "WinControl.h"

#include <QHash>

#include <algorithm>
#include <utility>

namespace {
const char* const AnchorNames[] = {"akLeft", "akTop", "akRight", "akBottom"};
const char* const FontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

QHash<const QObject*, TControl*>& ControlsByWidget()
{
    static QHash<const QObject*, TControl*> controls;
    return controls;
}
} // namespace

namespace TypeInfos {
const TTypeInfo TAnchorKind{"TAnchorKind", TTypeKind::Enumeration, 0, 3, 0, 0, AnchorNames};
const TTypeInfo TAnchors{"TAnchors", TTypeKind::Set, 0, 0, 0, 0, {}, &TAnchorKind};
const TTypeInfo TFontStyle{"TFontStyle", TTypeKind::Enumeration, 0, 3, 0, 0, FontStyleNames};
const TTypeInfo TFontStyles{"TFontStyles", TTypeKind::Set, 0, 0, 0, 0, {}, &TFontStyle};
} // namespace TypeInfos

namespace Geometry {
int BoundPosition(int v)
{
    return std::clamp(v, MinPosition, MaxPosition);
}

int BoundExtent(int v)
{
    return std::clamp(v, 0, MaxExtent);
}
} // namespace Geometry

QString CapShownText(const QString& text)
{
    if (text.size() <= MaxShownText)
        return text;
    const qsizetype n =
        text.at(MaxShownText - 1).isHighSurrogate() ? MaxShownText - 1 : MaxShownText;
    return text.left(n);
}

const TClassInfo& TControl::StaticClassInfo()
{
    using C = TControl;
    static const TClassInfo info{
        "TControl",
        &TComponent::StaticClassInfo(),
        {
            Published<C>("Left", &TypeInfos::Integer, &C::Left, &C::SetLeft),
            Published<C>("Top", &TypeInfos::Integer, &C::Top, &C::SetTop),
            Published<C>("Width", &TypeInfos::Integer, &C::Width, &C::SetWidth),
            Published<C>("Height", &TypeInfos::Integer, &C::Height, &C::SetHeight),
            Published<C>("Enabled", &TypeInfos::Boolean, &C::Enabled, &C::SetEnabled),
            Published<C>("Visible", &TypeInfos::Boolean, &C::Visible, &C::SetVisible),
            Published<C>("Cursor", &TypeInfos::TCursor, &C::Cursor, &C::SetCursor),
            Published<C>("Hint", &TypeInfos::LongString, &C::Hint, &C::SetHint),
            Published<C>("ShowHint", &TypeInfos::Boolean, &C::ShowHint, &C::SetShowHint),
            // Accepted and ignored: no window of the program is resized.
            Published<C>("Anchors", &TypeInfos::TAnchors, &C::Anchors, &C::SetAnchors),
            Published<C>("ParentFont", &TypeInfos::Boolean, &C::ParentFont, &C::SetParentFont),
            PublishedOnly("Font", &TypeInfos::TFont),
            PublishedEvent<C>("OnClick", &TypeInfos::TNotifyEvent, &C::OnClick),
        }};
    return info;
}

TControl::TControl(TComponent* owner, QWidget* widget) : TComponent(owner), FWidget(widget)
{
    // The font reaches the widget once the control has its parent (or is a window): a
    // font set earlier would make Qt resolve and lay out the widget's text twice.
    FWidget->hide();
    ControlsByWidget().insert(widget, this);
    // A widget being destroyed leaves its control at once: what Qt asks about it from then on
    // (focus and leave events while it goes) finds no control.
    QObject::connect(widget, &QObject::destroyed, [widget] { ControlsByWidget().remove(widget); });
    InstallAccessibleControls();
}

TControl::~TControl()
{
    // By value: the widget may be gone already, and its address with it.
    ControlsByWidget().removeIf([this](const auto& entry) { return entry.value() == this; });
    if (FParent)
        FParent->RemoveControl(this);
    delete FWidget.data();
}

TControl* TControl::OfWidget(const QObject* widget)
{
    TControl* control = ControlsByWidget().value(widget);
    // A widget that went before its control may have left its address to a new one.
    return control && control->FWidget == widget ? control : nullptr;
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == FParent)
        return;
    if (FParent)
        FParent->RemoveControl(this);
    FParent = parent;
    if (!FWidget) {
        if (parent)
            parent->InsertControl(this);
        return;
    }
    if (parent) {
        FWidget->setParent(parent->ClientWidget());
        parent->InsertControl(this);
        FWidget->setGeometry(FLeft, FTop, FWidth, FHeight);
        if (FParentFont)
            FFont = parent->Font();
        FontChanged();
        FWidget->setVisible(FVisible);
    } else {
        FWidget->hide();
        FWidget->setParent(nullptr);
    }
}

void TControl::StoreBounds(int left, int top, int width, int height)
{
    FLeft = Geometry::BoundPosition(left);
    FTop = Geometry::BoundPosition(top);
    FWidth = Geometry::BoundExtent(width);
    FHeight = Geometry::BoundExtent(height);
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    StoreBounds(left, top, width, height);
    if (FWidget)
        FWidget->setGeometry(FLeft, FTop, FWidth, FHeight);
}

void TControl::SetText(const QString& text)
{
    // A control's text ends at its first NUL, as a window text does.
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    const QString stored = nul < 0 ? text : text.left(nul);
    if (stored == FText)
        return;
    const QString old = std::exchange(FText, stored);
    TextChanged();
    AnnounceTextChange(old);
}

void TControl::SetEnabled(bool enabled)
{
    FEnabled = enabled;
    if (FWidget)
        FWidget->setEnabled(enabled);
}

void TControl::SetVisible(bool visible)
{
    FVisible = visible;
    if (FWidget && FParent)
        FWidget->setVisible(visible);
}

void TControl::SetCursor(TCursor cursor)
{
    FCursor = cursor;
    if (!FWidget)
        return;
    if (cursor == crDefault)
        FWidget->unsetCursor();
    else
        FWidget->setCursor(CursorShape(cursor));
}

void TControl::SetHint(const QString& hint)
{
    FHint = hint;
    if (FWidget)
        FWidget->setToolTip(FShowHint ? CapShownText(hint) : QString());
}

void TControl::SetShowHint(bool show)
{
    FShowHint = show;
    SetHint(FHint);
}

void TControl::SetColor(int color)
{
    FColor = color;
    if (FWidget)
        FWidget->update();
}

void TControl::SetFont(const TFont& font)
{
    FFont = font;
    FParentFont = false;
    FontChanged();
}

void TControl::SetParentFont(bool parentFont)
{
    FParentFont = parentFont;
    if (parentFont && FParent)
        ParentFontChanged(FParent->Font());
}

void TControl::ParentFontChanged(const TFont& font)
{
    if (!FParentFont)
        return;
    FFont = font;
    FontChanged();
}

void TControl::FontChanged()
{
    if (FWidget && (FParent || IsWindow()))
        FWidget->setFont(FFont.ToQFont());
}

void TControl::Click()
{
    FireEvent(OnClick, this);
}
