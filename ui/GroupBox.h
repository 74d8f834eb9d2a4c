#pragma once

#include "WinControl.h"

// A titled frame around a group of controls.
class TGroupBox : public TWinControl {
    DECLARE_CLASS_INFO
public:
    explicit TGroupBox(TComponent* owner);

protected:
    void TextChanged() override;
    void AnnounceTextChange(const QString& oldText) override;
};
