#include "AccessibleLineText.h"

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

QString AccessibleLineText::Shown() const
{
    return FEdit->displayText();
}

void AccessibleLineText::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
    if (selectionIndex == 0 && FEdit->hasSelectedText()) {
        *startOffset = FEdit->selectionStart();
        *endOffset = FEdit->selectionEnd();
    }
}

int AccessibleLineText::selectionCount() const
{
    return FEdit->hasSelectedText() ? 1 : 0;
}

void AccessibleLineText::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void AccessibleLineText::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        FEdit->deselect();
}

void AccessibleLineText::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    const qsizetype size = Shown().size();
    const int start = Bound(startOffset, size);
    FEdit->setSelection(start, Bound(endOffset, size) - start);
}

int AccessibleLineText::cursorPosition() const
{
    return FEdit->cursorPosition();
}

void AccessibleLineText::setCursorPosition(int position)
{
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
    if (offset < 0 || offset >= all.size())
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
    if (FEdit->isReadOnly() || !FEdit->isEnabled())
        return;
    const QString all = FEdit->text();
    const int start = Bound(startOffset, all.size());
    const int end = std::max(start, Bound(endOffset, all.size()));
    FEdit->setText((all.left(start) + text + all.mid(end)).left(FEdit->maxLength()));
    FEdit->setCursorPosition(static_cast<int>(start + text.size()));
}
