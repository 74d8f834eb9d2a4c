#pragma once

#include <functional>

class QDialog;

// Every modal dialog and box of the program is shown through this one seam. By default it
// runs the dialog's own modal loop; tests put a runner in its place that inspects the dialog
// and answers it without a user.
using TModalRunner = std::function<int(QDialog& dialog)>;

int RunModal(QDialog& dialog);
// Installs a runner and returns the previous one; an empty runner restores the default.
TModalRunner SetModalRunner(TModalRunner runner);
