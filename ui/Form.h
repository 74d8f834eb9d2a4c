#pragma once

#include "WinControl.h"

class QCloseEvent;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = quint32; // bit n set for TBorderIcon n
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TCloseAction { caNone, caHide, caMinimize };

using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;

// A top-level window. Left and Top place the window on the screen; ClientWidth and
// ClientHeight size its client area, which is what the child controls are placed in. The
// client area stays between MinClientWidth x MinClientHeight (room for the title bar's
// buttons) and what the screen's available area leaves inside the frame.
class TForm : public TWinControl {
    DECLARE_CLASS_INFO
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    static constexpr int MinClientWidth = 120;
    static constexpr int MinClientHeight = 20;

    int ClientWidth() const { return FClientWidth; }
    int ClientHeight() const { return FClientHeight; }
    void SetClientWidth(int width) { SetClientSize(width, FClientHeight); }
    void SetClientHeight(int height) { SetClientSize(FClientWidth, height); }
    void SetClientSize(int width, int height);
    void SetBounds(int left, int top, int width, int height) override;

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons icons);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition position) { FPosition = position; }
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int ppi) { FPixelsPerInch = ppi; }
    int TextHeight() const { return FTextHeight; }
    void SetTextHeight(int height) { FTextHeight = height; }
    bool OldCreateOrder() const { return FOldCreateOrder; }
    void SetOldCreateOrder(bool old) { FOldCreateOrder = old; }

    void SetVisible(bool visible) override;
    void Show();
    // Runs the close sequence, as the title bar's close button does.
    void Close();
    // Runs after construction has finished: the creation event, under the guard.
    void AfterConstruction();

    // Scales positions, sizes and fonts to the screen: the window font by the screen's
    // resolution over the stored one, then everything by the font's real text height over
    // the stored one.
    void ScaleToScreen(int screenPixelsPerInch);
    // Scales every control and the client size by num / den.
    void ScaleBy(int num, int den);
    // Height of "0" in the window font as the platform renders it.
    int MeasureTextHeight() const;

    TNotifyEvent OnCreate;
    TCloseEvent OnClose;

protected:
    bool ShownOnce() const { return FShownOnce; }
    void TextChanged() override;
    bool IsWindow() const override { return true; }
    // The text of the window's title bar: the caption, unless a window class adds to it.
    virtual QString WindowTitle() const;
    // Writes WindowTitle() to the window when it differs from what was written last, or
    // always when the native window may be new, and announces a changed title: it is the
    // window's accessible name.
    void UpdateWindowTitle(bool always = false);

private:
    friend class TFormWidget;
    void CloseRequested(QCloseEvent* event);
    // True when the window was shown again, with a new native window.
    bool ApplyWindowFlags();
    // Width and height that the frame adds to the client area, as far as it is known.
    QSize FrameExtent() const;

    int FClientWidth = 0;
    int FClientHeight = 0;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = (1u << biSystemMenu) | (1u << biMinimize) | (1u << biMaximize);
    TPosition FPosition = poDesigned;
    int FPixelsPerInch = 96;
    int FTextHeight = 13;
    bool FOldCreateOrder = false;
    bool FShownOnce = false;
    QString FWrittenTitle;
};

namespace TypeInfos {
extern const TTypeInfo TFormBorderStyle;
extern const TTypeInfo TBorderIcon;
extern const TTypeInfo TBorderIcons;
extern const TTypeInfo TPosition;
} // namespace TypeInfos
