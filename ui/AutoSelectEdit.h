#pragma once

#include <QFocusEvent>
#include <QLineEdit>

// A line edit that selects all its text when it receives the focus other than by a mouse
// click into it (Tab, a shortcut, a program's request, the window's activation).
class TAutoSelectEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    bool AutoSelect = true;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        QLineEdit::focusInEvent(event);
        if (AutoSelect && event->reason() != Qt::MouseFocusReason)
            selectAll();
    }
};
