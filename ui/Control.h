#pragma once

#include "Component.h"
#include "Cursors.h"
#include "Font.h"

#include <QPointer>
#include <QWidget>

class TWinControl;

enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = quint32; // bit n set for TAnchorKind n

// The positions and sizes a control can take. X11 carries window coordinates in 16 bits, so
// nothing beyond them can be shown; values from outside (a language file) are clamped to
// them, and the sum of any two stays far from int overflow.
namespace Geometry {
constexpr int MinPosition = -32768;
constexpr int MaxPosition = 32767;
constexpr int MaxExtent = 32767;
int BoundPosition(int v);
int BoundExtent(int v);
} // namespace Geometry

// Every text the program shows (captions, hints, the window title, accessible names) is cut
// to its first MaxShownText characters; the text itself is kept whole. Laying out megabytes
// of text on every repaint would keep the program from answering anything else, the close
// request included.
constexpr qsizetype MaxShownText = 1024;
QString CapShownText(const QString& text);

// A visual control: a component shown through one Qt widget. Positions are in pixels from
// the top-left corner of the parent's client area.
class TControl : public TComponent {
    DECLARE_CLASS_INFO
public:
    TControl(TComponent* owner, QWidget* widget);
    ~TControl() override;

    QWidget* Widget() const { return FWidget; }
    // The control shown through a widget, if any.
    static TControl* OfWidget(const QObject* widget);

    TWinControl* Parent() const { return FParent; }
    void SetParent(TWinControl* parent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual void SetBounds(int left, int top, int width, int height);

    // The control's text: Caption for most controls, Text for edits.
    QString Caption() const { return GetText(); }
    void SetCaption(const QString& text) { SetText(text); }
    virtual QString GetText() const { return FText; }
    virtual void SetText(const QString& text);

    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool enabled);
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool visible);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& hint);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool show);
    int Color() const { return FColor; }
    void SetColor(int color);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors anchors) { FAnchors = anchors; }

    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& font);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool parentFont);

    TNotifyEvent OnClick;

protected:
    // Records the bounds, clamped to the bounds in Geometry, without moving the widget.
    void StoreBounds(int left, int top, int width, int height);
    // Called after the text changed; controls that show it update their widget here.
    virtual void TextChanged() {}
    // Called after TextChanged: a control whose text is its accessible name or text tells
    // assistive technology here. Qt's own widgets announce their text themselves.
    virtual void AnnounceTextChange(const QString& oldText) { Q_UNUSED(oldText) }
    virtual void FontChanged();
    // A window shows its font without a parent; other controls only once they have one.
    virtual bool IsWindow() const { return false; }
    // Runs the click event under the application's exception guard.
    void Click();
    // Parent font changed: a control that follows its parent's font takes it.
    void ParentFontChanged(const TFont& font);
    friend class TWinControl;

private:
    QPointer<QWidget> FWidget;
    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    QString FText;
    bool FEnabled = true;
    bool FVisible = true;
    TCursor FCursor = crDefault;
    QString FHint;
    bool FShowHint = false;
    int FColor = clBtnFace;
    TAnchors FAnchors = (1u << akLeft) | (1u << akTop);
    TFont FFont;
    bool FParentFont = true;
};

namespace TypeInfos {
extern const TTypeInfo TAnchorKind;
extern const TTypeInfo TAnchors;
extern const TTypeInfo TFontStyle;
extern const TTypeInfo TFontStyles;
} // namespace TypeInfos
