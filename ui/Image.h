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

    // A picture with a button name acts as a button to the keyboard and to a screen reader:
    // Tab reaches it, Space and Return click it, a frame shows its focus, and it is read as
    // a push button of that name. To the eye it stays a picture.
    const QString& ButtonName() const { return FButtonName; }
    void SetButtonName(const QString& name);
    // Clicks it as the mouse would (a disabled picture takes no click).
    void Press();
    // A button picture that stands for one of a few choices is, to a screen reader, checkable
    // and checked while it is the current choice.
    bool ButtonCheckable() const { return FButtonCheckable; }
    bool ButtonChecked() const { return FButtonChecked; }
    void SetButtonChecked(bool checked);

private:
    friend class ImageWidget;
    void AdjustSize();
    QImage FPicture;
    bool FStretch = false;
    bool FAutoSize = false;
    bool FCenter = false;
    bool FTransparent = false;
    QString FButtonName;
    bool FButtonCheckable = false;
    bool FButtonChecked = false;
};
