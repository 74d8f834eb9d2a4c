#pragma once

#include "WinControl.h"

class QLineEdit;

// A one-line text edit. Every change of its text, typed or assigned, raises OnChange.
class TEdit : public TWinControl {
    DECLARE_CLASS_INFO
public:
    explicit TEdit(TComponent* owner);

    QString GetText() const override;
    void SetText(const QString& text) override;
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int length);
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);
    int PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(int ch);
    bool AutoSelect() const;
    void SetAutoSelect(bool autoSelect);

    QLineEdit* LineEdit() const;

    TNotifyEvent OnChange;

private:
    int FMaxLength = 0;
    int FPasswordChar = 0;
};
