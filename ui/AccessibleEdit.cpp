#include "AccessibleEdit.h"

#include "Edit.h"

AccessibleEdit::AccessibleEdit(TEdit* edit)
    : AccessibleLineText(edit->Widget(), edit->LineEdit(), QAccessible::EditableText)
{
}
