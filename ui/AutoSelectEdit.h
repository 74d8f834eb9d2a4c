#pragma once

#include <QFocusEvent>
#include <QLineEdit>

// A line edit that selects all its text when it receives the focus other than by a mouse
// click into it (Tab, a shortcut, a program's request, the window's first activation).
class TAutoSelectEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    bool AutoSelect = true;
    // The next focus is the focus coming back where it was (after a modal box): the text's
    // caret and selection stay as they were.
    bool FocusReturns = false;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        QLineEdit::focusInEvent(event);
        const bool returns = FocusReturns;
        FocusReturns = false;
        if (AutoSelect && !returns && event->reason() != Qt::MouseFocusReason)
            selectAll();
    }
};
