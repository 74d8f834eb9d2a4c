#pragma once

#include "WinControl.h"

class QLineEdit;
class QToolButton;

// A numeric edit with a pair of up/down buttons. Its value is read from its text when asked
// for: a whole number as it stands (not clamped while the user types), anything else gives
// MinValue. Leaving the field clamps a number outside MinValue..MaxValue to the nearer bound.
class TSpinEdit : public TWinControl {
    DECLARE_CLASS_INFO
public:
    explicit TSpinEdit(TComponent* owner);
    ~TSpinEdit() override;

    int Value() const;
    void SetValue(int value);
    int MinValue() const { return FMinValue; }
    void SetMinValue(int value) { FMinValue = value; }
    int MaxValue() const { return FMaxValue; }
    void SetMaxValue(int value) { FMaxValue = value; }
    int Increment() const { return FIncrement; }
    void SetIncrement(int increment) { FIncrement = increment; }
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool enabled);

    QString GetText() const override;
    void SetText(const QString& text) override;

    // Clamps to MinValue..MaxValue (unless both are equal, which means no range).
    int CheckValue(int value) const;
    // Whether a typed character is accepted: digits, signs, the decimal separator, and
    // control characters other than Enter.
    static bool IsValidChar(QChar ch);
    void UpClick();
    void DownClick();

    QLineEdit* LineEdit() const { return FEdit; }
    QToolButton* UpButton() const { return FUp; }
    QToolButton* DownButton() const { return FDown; }

    void SetBounds(int left, int top, int width, int height) override;

    TNotifyEvent OnChange;

private:
    friend class SpinEditFilter;
    void Exit();
    void AnnounceValue();
    void Step(qint64 delta);
    QLineEdit* FEdit = nullptr;
    QToolButton* FUp = nullptr;
    QToolButton* FDown = nullptr;
    QObject* FFilter = nullptr;
    int FMinValue = 0;
    int FMaxValue = 0;
    int FIncrement = 1;
    bool FEditorEnabled = true;
};

// The whole number that a spin edit's text stands for, if it reads as one.
bool ReadWholeNumber(const QString& text, int& value);
