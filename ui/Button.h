#pragma once

#include "WinControl.h"

class QPushButton;

// A push button; "&" in its caption marks the access key.
class TButton : public TWinControl {
    DECLARE_CLASS_INFO
public:
    explicit TButton(TComponent* owner);

    bool Default() const { return FDefault; }
    void SetDefault(bool isDefault);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool cancel) { FCancel = cancel; }
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int result) { FModalResult = result; }

    // A button that shows an on/off state (the connect toggle: on while connected) is, to a
    // screen reader, checkable and checked while on; to the eye it stays a push button.
    bool IsToggle() const { return FIsToggle; }
    bool Toggled() const { return FToggled; }
    void SetToggled(bool on);

protected:
    void TextChanged() override;

private:
    QPushButton* PushButton() const;
    bool FDefault = false;
    bool FCancel = false;
    int FModalResult = 0;
    bool FIsToggle = false;
    bool FToggled = false;
};
