#include "ExceptionReport.h"

#include "ModalRunner.h"

#include <QMessageBox>

void ShowLastChanceReport(const std::exception& e)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"), LastChanceText(e),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    RunModal(box);
}
