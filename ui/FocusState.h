#pragma once

#include <QPointer>
#include <QWidget>

// Where the keyboard focus is, with a line edit's caret and selection, so that it can be
// given back exactly as it was after a modal box took it away.
class TFocusState {
public:
    static TFocusState Save();
    void Restore() const;

private:
    QPointer<QWidget> FWidget;
    int FCursor = 0;
    int FSelectionStart = -1;
    int FSelectionLength = 0;
};
