#pragma once

#include <QAccessible>

class QLineEdit;

// The text of a one-line edit as a screen reader reads and edits it: its characters, caret
// and selection. A password edit shows its mask characters only.
class AccessibleLineText : public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit AccessibleLineText(QLineEdit* edit) : FEdit(edit) {}

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

private:
    QLineEdit* FEdit;
};
