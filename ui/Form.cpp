#include "Form.h"

#include "Accessibility.h"
#include "Application.h"
#include "MulDiv.h"
#include "Screen.h"
#include "ScreenCentring.h"
#include "WindowNames.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstdlib>

namespace {
const char* const BorderStyleNames[] = {"bsNone",   "bsSingle",     "bsSizeable",
                                        "bsDialog", "bsToolWindow", "bsSizeToolWin"};
const char* const BorderIconNames[] = {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"};
const char* const PositionNames[] = {"poDesigned",        "poDefault",        "poDefaultPosOnly",
                                     "poDefaultSizeOnly", "poScreenCenter",   "poDesktopCenter",
                                     "poMainFormCenter",  "poOwnerFormCenter"};
} // namespace

namespace TypeInfos {
const TTypeInfo TFormBorderStyle{"TFormBorderStyle", TTypeKind::Enumeration, 0, 5, 0, 0,
                                 BorderStyleNames};
const TTypeInfo TBorderIcon{"TBorderIcon", TTypeKind::Enumeration, 0, 3, 0, 0, BorderIconNames};
const TTypeInfo TBorderIcons{"TBorderIcons", TTypeKind::Set, 0, 0, 0, 0, {}, &TBorderIcon};
const TTypeInfo TPosition{"TPosition", TTypeKind::Enumeration, 0, 7, 0, 0, PositionNames};
} // namespace TypeInfos

// The window of a TForm: hands the close request to the form.
class TFormWidget : public QWidget {
public:
    explicit TFormWidget(TForm* form) : FForm(form) {}
    TForm* FForm;

protected:
    void closeEvent(QCloseEvent* event) override { FForm->CloseRequested(event); }
};

const TClassInfo& TForm::StaticClassInfo()
{
    using C = TForm;
    static const TClassInfo info{
        "TForm",
        &TWinControl::StaticClassInfo(),
        {
            Published<C>("Caption", &TypeInfos::TCaption, &C::Caption, &C::SetCaption),
            Published<C>("ClientWidth", &TypeInfos::Integer, &C::ClientWidth, &C::SetClientWidth),
            Published<C>("ClientHeight", &TypeInfos::Integer, &C::ClientHeight,
                         &C::SetClientHeight),
            Published<C>("BorderStyle", &TypeInfos::TFormBorderStyle, &C::BorderStyle,
                         &C::SetBorderStyle),
            Published<C>("BorderIcons", &TypeInfos::TBorderIcons, &C::BorderIcons,
                         &C::SetBorderIcons),
            Published<C>("Position", &TypeInfos::TPosition, &C::Position, &C::SetPosition),
            // Accepted and ignored: the window paints in the palette's face colour (clBtnFace).
            Published<C>("Color", &TypeInfos::TColor, &C::Color, &C::SetColor),
            Published<C>("PixelsPerInch", &TypeInfos::Integer, &C::PixelsPerInch,
                         &C::SetPixelsPerInch),
            Published<C>("TextHeight", &TypeInfos::Integer, &C::TextHeight, &C::SetTextHeight),
            // Accepted and ignored: the creation handler always runs after construction
            // (the stored value, false).
            Published<C>("OldCreateOrder", &TypeInfos::Boolean, &C::OldCreateOrder,
                         &C::SetOldCreateOrder),
            PublishedEvent<C>("OnCreate", &TypeInfos::TNotifyEvent, &C::OnCreate),
            PublishedEvent<C>("OnClose", &TypeInfos::TCloseEvent, &C::OnClose),
        }};
    return info;
}

TForm::TForm(TComponent* owner) : TWinControl(owner, new TFormWidget(this))
{
    TForm::SetVisible(false);
    ApplyWindowFlags();
    FontChanged();
}

TForm::~TForm()
{
    if (Application)
        Application->FormDestroyed(this);
    DestroyComponents();
}

QSize TForm::FrameExtent() const
{
    return Widget() ? Widget()->frameGeometry().size() - Widget()->size() : QSize();
}

void TForm::SetClientSize(int width, int height)
{
    const QSize frame = FrameExtent();
    QSize most(Geometry::MaxExtent, Geometry::MaxExtent);
    if (const QScreen* s = Widget() ? Widget()->screen() : QGuiApplication::primaryScreen())
        most = s->availableGeometry().size() - frame;
    FClientWidth = std::clamp(width, MinClientWidth, std::max(MinClientWidth, most.width()));
    FClientHeight = std::clamp(height, MinClientHeight, std::max(MinClientHeight, most.height()));
    width = FClientWidth;
    height = FClientHeight;
    StoreBounds(Left(), Top(), width + frame.width(), height + frame.height());
    if (!Widget())
        return;
    if (FBorderStyle == bsSizeable || FBorderStyle == bsSizeToolWin) {
        Widget()->setMinimumSize(0, 0);
        Widget()->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        Widget()->resize(width, height);
    } else {
        Widget()->setFixedSize(width, height);
    }
}

// Left and Top place the window's frame; Width and Height are its outer size, so a change
// of either resizes the client area by the same amount.
void TForm::SetBounds(int left, int top, int width, int height)
{
    width = Geometry::BoundExtent(width);
    height = Geometry::BoundExtent(height);
    if (width != Width() || height != Height()) {
        const QSize frame = FrameExtent();
        SetClientSize(width - frame.width(), height - frame.height());
    }
    StoreBounds(left, top, Width(), Height());
    if (Widget())
        Widget()->move(Left(), Top());
}

void TForm::SetBorderStyle(TFormBorderStyle style)
{
    FBorderStyle = style;
    if (ApplyWindowFlags())
        UpdateWindowTitle(true); // a new native window got Qt's title
    SetClientSize(FClientWidth, FClientHeight);
}

void TForm::SetBorderIcons(TBorderIcons icons)
{
    FBorderIcons = icons;
    if (ApplyWindowFlags())
        UpdateWindowTitle(true);
}

bool TForm::ApplyWindowFlags()
{
    QWidget* w = Widget();
    if (!w)
        return false;
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if (FBorderStyle == bsNone) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::WindowTitleHint;
        const bool sizeable = FBorderStyle == bsSizeable || FBorderStyle == bsSizeToolWin;
        if (FBorderIcons & (1u << biSystemMenu)) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (FBorderIcons & (1u << biMinimize) && FBorderStyle != bsDialog)
                flags |= Qt::WindowMinimizeButtonHint;
            if (FBorderIcons & (1u << biMaximize) && sizeable)
                flags |= Qt::WindowMaximizeButtonHint;
        }
        if (!sizeable)
            flags |= Qt::MSWindowsFixedSizeDialogHint;
    }
    const bool visible = w->isVisible();
    w->setWindowFlags(flags);
    if (visible)
        w->show();
    return visible;
}

void TForm::TextChanged()
{
    UpdateWindowTitle();
}

QString TForm::WindowTitle() const
{
    return CapShownText(Caption());
}

void TForm::UpdateWindowTitle(bool always)
{
    QWidget* window = Widget();
    if (!window)
        return;
    // A title write is a property write on the X server that wakes the window manager and
    // every taskbar: none when nothing changed.
    const QString title = WindowTitle();
    const QString old = window->windowTitle();
    if (!always && title == FWrittenTitle && old == title)
        return;
    FWrittenTitle = title;
    SetWindowTitle(window, title);
    if (old != title && window->isVisible() && AnnouncementsHeard()) {
        QAccessibleEvent renamed(window, QAccessible::NameChanged);
        Announce(renamed);
    }
}

void TForm::SetVisible(bool visible)
{
    TControl::SetVisible(visible);
    if (Widget())
        Widget()->setVisible(visible);
}

void TForm::Show()
{
    if (!FShownOnce && FPosition == poScreenCenter && Screen && Widget()) {
        auto* centring = new TScreenCentring(Widget(), [this](QPoint frame) {
            StoreBounds(frame.x(), frame.y(), Width(), Height());
        });
        centring->Start();
    }
    FShownOnce = true;
    SetVisible(true);
    UpdateWindowTitle(true); // the native window may be new, and got Qt's title
    Widget()->raise();
    Widget()->activateWindow();
    // On its first activation the focus goes to the first tab stop that can take it.
    if (!Widget()->focusWidget())
        for (TWinControl* c : TabStops())
            if (c->Enabled() && c->Visible()) {
                c->SetFocus();
                break;
            }
}

void TForm::Close()
{
    if (Widget())
        Widget()->close();
}

void TForm::CloseRequested(QCloseEvent* event)
{
    // The window is neither hidden nor destroyed here: the main window ends the event loop,
    // and the application destroys it afterwards.
    event->ignore();
    TCloseAction action = caHide;
    const bool handled = GuardedCall([&] {
        if (OnClose)
            OnClose(this, action);
    });
    if (!handled || action == caNone)
        return;
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        SetVisible(false);
    else if (action == caMinimize)
        Widget()->showMinimized();
}

void TForm::AfterConstruction()
{
    FireEvent(OnCreate, this);
}

int TForm::MeasureTextHeight() const
{
    return QFontMetrics(Font().ToQFont()).height();
}

void TForm::ScaleToScreen(int screenPixelsPerInch)
{
    if (screenPixelsPerInch != FPixelsPerInch) {
        TFont font = Font();
        font.Height = MulDiv(font.Height, screenPixelsPerInch, FPixelsPerInch);
        SetFont(font);
    }
    const int real = MeasureTextHeight();
    if (real != FTextHeight)
        ScaleBy(real, FTextHeight);
}

void TForm::ScaleBy(int num, int den)
{
    const auto scale = [&](TControl* c) {
        const int left = MulDiv(c->Left(), num, den);
        const int top = MulDiv(c->Top(), num, den);
        const int width = MulDiv(c->Left() + c->Width(), num, den) - left;
        const int height = MulDiv(c->Top() + c->Height(), num, den) - top;
        c->SetBounds(left, top, width, height);
        if (!c->ParentFont()) {
            TFont font = c->Font();
            font.SetSize(MulDiv(font.Size(), num, den));
            c->SetFont(font);
        }
    };
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* c = ComponentCast<TControl>(Components(i)))
            scale(c);
    SetClientSize(MulDiv(FClientWidth, num, den), MulDiv(FClientHeight, num, den));
}
