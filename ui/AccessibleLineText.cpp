#include "AccessibleLineText.h"

#include "AccessibleLabelling.h"
#include "Control.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <algorithm>

namespace {
// An offset from outside, bounded to 0..size.
int Bound(int offset, qsizetype size)
{
    return static_cast<int>(std::clamp<qsizetype>(offset, 0, size));
}
} // namespace

AccessibleLineText::AccessibleLineText(QWidget* widget, QLineEdit* edit, QAccessible::Role role)
    : QAccessibleWidget(widget, role), FEdit(edit)
{
}

TControl* AccessibleLineText::Control() const
{
    return TControl::OfWidget(widget());
}

QString AccessibleLineText::Shown() const
{
    return FEdit ? FEdit->displayText() : QString();
}

QString AccessibleLineText::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        if (const TControl* control = Control())
            return LabelledName(control);
        return {};
    case QAccessible::Value:
        return Shown();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State AccessibleLineText::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = true;
    s.selectableText = true;
    if (FEdit) {
        s.readOnly = FEdit->isReadOnly();
        s.passwordEdit = FEdit->echoMode() != QLineEdit::Normal;
    }
    return s;
}

QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
AccessibleLineText::relations(QAccessible::Relation match) const
{
    auto found = QAccessibleWidget::relations(match);
    if (const TControl* control = Control())
        AddLabelRelation(control, match, found);
    return found;
}

void* AccessibleLineText::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

void AccessibleLineText::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
    if (selectionIndex == 0 && FEdit && FEdit->hasSelectedText()) {
        *startOffset = FEdit->selectionStart();
        *endOffset = FEdit->selectionEnd();
    }
}

int AccessibleLineText::selectionCount() const
{
    return FEdit && FEdit->hasSelectedText() ? 1 : 0;
}

void AccessibleLineText::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void AccessibleLineText::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0 && FEdit)
        FEdit->deselect();
}

void AccessibleLineText::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0 || !FEdit)
        return;
    const qsizetype size = Shown().size();
    const int start = Bound(startOffset, size);
    FEdit->setSelection(start, Bound(endOffset, size) - start);
}

int AccessibleLineText::cursorPosition() const
{
    return FEdit ? FEdit->cursorPosition() : 0;
}

void AccessibleLineText::setCursorPosition(int position)
{
    if (FEdit)
        FEdit->setCursorPosition(Bound(position, Shown().size()));
}

QString AccessibleLineText::text(int startOffset, int endOffset) const
{
    const QString all = Shown();
    const int start = Bound(startOffset, all.size());
    const int end = endOffset < 0 ? static_cast<int>(all.size()) : Bound(endOffset, all.size());
    return end > start ? all.mid(start, end - start) : QString();
}

int AccessibleLineText::characterCount() const
{
    return static_cast<int>(Shown().size());
}

// Where a character is shown, in screen coordinates, from the font and the caret's place.
QRect AccessibleLineText::characterRect(int offset) const
{
    const QString all = Shown();
    if (!FEdit || offset < 0 || offset >= all.size())
        return {};
    const QFontMetrics fm(FEdit->font());
    const QRect contents = FEdit->contentsRect();
    const int caretX = fm.horizontalAdvance(all.left(FEdit->cursorPosition()));
    const int x = fm.horizontalAdvance(all.left(offset)) - caretX +
                  FEdit->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    const QRect local(x, contents.top() + (contents.height() - fm.height()) / 2,
                      fm.horizontalAdvance(all.at(offset)), fm.height());
    return {FEdit->mapToGlobal(local.topLeft()), local.size()};
}

int AccessibleLineText::offsetAtPoint(const QPoint& point) const
{
    if (!FEdit)
        return -1;
    const QPoint local = FEdit->mapFromGlobal(point);
    return FEdit->rect().contains(local) ? FEdit->cursorPositionAt(local) : -1;
}

void AccessibleLineText::scrollToSubstring(int startIndex, int endIndex)
{
    setCursorPosition(endIndex);
    setCursorPosition(startIndex);
}

QString AccessibleLineText::attributes(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void AccessibleLineText::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void AccessibleLineText::insertText(int offset, const QString& text)
{
    replaceText(offset, offset, text);
}

// Edits as typing would: not in a read-only or disabled edit, and within its length limit.
void AccessibleLineText::replaceText(int startOffset, int endOffset, const QString& text)
{
    if (!FEdit || FEdit->isReadOnly() || !FEdit->isEnabled())
        return;
    const QString all = FEdit->text();
    const int start = Bound(startOffset, all.size());
    const int end = std::max(start, Bound(endOffset, all.size()));
    FEdit->setText((all.left(start) + text + all.mid(end)).left(FEdit->maxLength()));
    FEdit->setCursorPosition(static_cast<int>(start + text.size()));
}
