#pragma once

#include "Control.h"

#include <QImage>

// A picture drawn on its parent: at its own size from the top-left corner, centred, or
// stretched to the control. With AutoSize the control takes the picture's size.
class TImage : public TControl {
    DECLARE_CLASS_INFO
public:
    explicit TImage(TComponent* owner);

    const QImage& Picture() const { return FPicture; }
    void SetPicture(const QImage& picture);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool stretch);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool autoSize);
    bool Center() const { return FCenter; }
    void SetCenter(bool center);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool transparent);

private:
    friend class ImageWidget;
    void AdjustSize();
    QImage FPicture;
    bool FStretch = false;
    bool FAutoSize = false;
    bool FCenter = false;
    bool FTransparent = false;
};
