#pragma once

#include "Label.h"
#include "WinControl.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A framed face with a centred one-line caption, drawn inside its bevels.
class TPanel : public TWinControl {
    DECLARE_CLASS_INFO
public:
    explicit TPanel(TComponent* owner);

    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut cut);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut cut);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int width);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int width);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment);

protected:
    void TextChanged() override;
    void AnnounceTextChange(const QString& oldText) override;

private:
    void Repaint();

    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TAlignment FAlignment = taCenter;
};

namespace TypeInfos {
extern const TTypeInfo TBevelCut;
}
