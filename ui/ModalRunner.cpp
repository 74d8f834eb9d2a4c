#include "ModalRunner.h"

#include <QDialog>

namespace {
TModalRunner& CurrentRunner()
{
    static TModalRunner runner;
    return runner;
}
} // namespace

int RunModal(QDialog& dialog)
{
    if (const TModalRunner& runner = CurrentRunner())
        return runner(dialog);
    return dialog.exec();
}

TModalRunner SetModalRunner(TModalRunner runner)
{
    TModalRunner previous = std::move(CurrentRunner());
    CurrentRunner() = std::move(runner);
    return previous;
}
