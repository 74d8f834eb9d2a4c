#pragma once

#include "Dialogs.h"

#include <QDialog>
#include <QList>

class QPushButton;
class TScreenCentring;

// The message dialog: an icon, a word-wrapped message and a centred row of buttons, laid
// out from the average character size of the system's message font.
class TMessageForm : public QDialog {
public:
    TMessageForm(const QString& msg, TMsgDlgType type, TMsgDlgButtons buttons);

    QPushButton* DefaultButton() const { return FDefault; }
    QPushButton* CancelButton() const { return FCancel; }
    // The dialog as plain text, as Ctrl+C puts it on the clipboard.
    QString ClipboardText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QString FMessage;
    QList<QPushButton*> FButtons;
    QPushButton* FDefault = nullptr;
    QPushButton* FCancel = nullptr;
    TScreenCentring* FCentring = nullptr;
};
