#pragma once

#include "Control.h"

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

protected:
    void TextChanged() override;
    void FontChanged() override;

private:
    void AdjustSize();
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    TAlignment FAlignment = taLeftJustify;
};

// The Qt alignment flag for a horizontal alignment.
int AlignmentFlag(TAlignment alignment);

namespace TypeInfos {
extern const TTypeInfo TAlignment;
}
