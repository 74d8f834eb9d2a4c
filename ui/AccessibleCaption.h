#pragma once

#include <QAccessibleWidget>

class TControl;

// A control that paints its caption and is known by it: a label or a panel (static text
// whose text is the caption) or a group box (a grouping named by its caption). A label
// reports the control it names. The control is looked up on each use, so an interface that
// outlives it answers empty.
class AccessibleCaption : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    AccessibleCaption(TControl* control, QAccessible::Role role, bool mnemonic);

    // A caption as read: what is painted, without the mnemonic marks.
    QString Shown(const QString& caption) const;

    QString text(QAccessible::Text t) const override;
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // Static text: no caret, no selection.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    bool FMnemonic;
};
