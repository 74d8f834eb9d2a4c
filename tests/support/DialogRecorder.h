#pragma once

#include "ModalRunner.h"

#include <QDialog>
#include <QLabel>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <functional>

// Answers every modal dialog without a user and remembers what each one showed.
struct TShownDialog {
    QString Title;
    QString Text;
    QStringList Buttons;  // object names of the push buttons, in layout order
    bool HasIcon = false; // an "Image" child or a message box icon
    QMessageBox::Icon BoxIcon = QMessageBox::NoIcon;
};

// What a shown dialog offers the user.
inline TShownDialog DescribeDialog(QDialog& dialog)
{
    TShownDialog shown;
    shown.Title = dialog.windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        shown.Text = box->text();
        shown.BoxIcon = box->icon();
        shown.HasIcon = box->icon() != QMessageBox::NoIcon;
    }
    if (auto* message = dialog.findChild<QLabel*>(QStringLiteral("Message")))
        shown.Text = message->text();
    if (dialog.findChild<QLabel*>(QStringLiteral("Image")))
        shown.HasIcon = true;
    QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->geometry().x() < b->geometry().x(); });
    for (QPushButton* b : buttons)
        shown.Buttons.append(b->objectName().isEmpty() ? b->text() : b->objectName());
    return shown;
}

class TDialogRecorder {
public:
    // The action runs on the shown dialog and gives its result; by default the dialog is
    // answered with 1 (OK).
    explicit TDialogRecorder(std::function<int(QDialog&)> action = {})
    {
        FPrevious = SetModalRunner([this, action = std::move(action)](QDialog& dialog) {
            Shown.append(DescribeDialog(dialog));
            return action ? action(dialog) : 1;
        });
    }
    ~TDialogRecorder() { SetModalRunner(std::move(FPrevious)); }

    QList<TShownDialog> Shown;

private:
    TModalRunner FPrevious;
};
