#pragma once

#include <QAccessibleWidget>
#include <QLineEdit>
#include <QPointer>

class TControl;

// A control that is a one-line edit to a screen reader (an edit, a spin edit): named by the
// label that names it, its value the text shown, and that text with its caret and selection
// to read and edit. A password edit shows its mask characters only. Its control and edit are
// looked up or guarded on each use, so an interface that outlives them answers empty.
class AccessibleLineText : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    AccessibleLineText(QWidget* widget, QLineEdit* edit, QAccessible::Role role);

    // The text interface's text(start, end) stays visible beside the widget's text(kind).
    using QAccessibleTextInterface::text;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

protected:
    // The whole text as shown.
    QString Shown() const;
    QLineEdit* LineEdit() const { return FEdit; }
    // The control behind the widget, while both live.
    TControl* Control() const;

private:
    QPointer<QLineEdit> FEdit;
};
