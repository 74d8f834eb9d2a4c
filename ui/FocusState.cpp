#include "FocusState.h"

#include "AutoSelectEdit.h"

#include <QApplication>

TFocusState TFocusState::Save()
{
    TFocusState state;
    state.FWidget = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(state.FWidget.data())) {
        state.FCursor = edit->cursorPosition();
        state.FSelectionStart = edit->selectionStart();
        state.FSelectionLength = static_cast<int>(edit->selectedText().size());
    }
    return state;
}

void TFocusState::Restore() const
{
    if (!FWidget)
        return;
    auto* edit = qobject_cast<QLineEdit*>(FWidget.data());
    // The focus may come back at once or only when the window is active again.
    if (auto* autoSelect = dynamic_cast<TAutoSelectEdit*>(FWidget.data()))
        autoSelect->FocusReturns = true;
    FWidget->setFocus(Qt::OtherFocusReason);
    if (auto* autoSelect = dynamic_cast<TAutoSelectEdit*>(FWidget.data());
        autoSelect && FWidget->hasFocus())
        autoSelect->FocusReturns = false;
    if (!edit)
        return;
    if (FSelectionStart < 0) {
        edit->setCursorPosition(FCursor);
    } else if (FCursor == FSelectionStart) {
        // Selected from right to left: the caret stays at the selection's start.
        edit->setSelection(FSelectionStart + FSelectionLength, -FSelectionLength);
    } else {
        edit->setSelection(FSelectionStart, FSelectionLength);
    }
}
