#pragma once

#include "Control.h"

#include <QPointer>

class TWinControl;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// A caption drawn on its parent. With AutoSize it takes the size of its text, keeping its
// left and top edges; "&" is not shown but underlines the character after it.
class TLabel : public TControl {
    DECLARE_CLASS_INFO
public:
    explicit TLabel(TComponent* owner);

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool autoSize);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool wrap);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool transparent) { FTransparent = transparent; }
    int TextFlags() const;
    void Loaded() override { AdjustSize(); }

    // The control this label names: a screen reader reads the label's caption as its name.
    TWinControl* FocusControl() const;
    void SetFocusControl(TWinControl* control);

protected:
    void TextChanged() override;
    void AnnounceTextChange(const QString& oldText) override;
    void FontChanged() override;

private:
    void AdjustSize();
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    TAlignment FAlignment = taLeftJustify;
    // Held by its widget, which tells when it goes.
    QPointer<QWidget> FFocusWidget;
};

// The label in the control's window whose FocusControl is the control, if any.
TLabel* LabelOf(const TControl* control);
// A caption as read aloud: "&" marks the next character's underline and is not read.
QString WithoutMnemonic(const QString& caption);

// The Qt alignment flag for a horizontal alignment.
int AlignmentFlag(TAlignment alignment);

namespace TypeInfos {
extern const TTypeInfo TAlignment;
}
