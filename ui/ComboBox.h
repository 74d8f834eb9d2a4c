#pragma once

#include "WinControl.h"

#include <QStringList>

class QComboBox;

// A drop-down list with an edit field.
class TComboBox : public TWinControl {
    DECLARE_CLASS_INFO
public:
    explicit TComboBox(TComponent* owner);

    QStringList Items() const;
    void AddItem(const QString& item);
    // Empties the edit text and the list; no entry stays selected.
    void Clear();
    int ItemIndex() const;
    void SetItemIndex(int index);
    QString GetText() const override;
    void SetText(const QString& text) override;
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int count);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool sorted) { FSorted = sorted; }

    TNotifyEvent OnChange;

private:
    QComboBox* Box() const;
    int FDropDownCount = 8;
    bool FSorted = false;
};
