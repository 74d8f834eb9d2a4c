#pragma once

#include "AccessibleLineText.h"

class TEdit;

// A one-line edit, named by the label that names it.
class AccessibleEdit : public AccessibleLineText {
public:
    explicit AccessibleEdit(TEdit* edit);
};
