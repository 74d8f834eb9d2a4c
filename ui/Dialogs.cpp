#include "Dialogs.h"

#include "MessageForm.h"
#include "ModalRunner.h"

int MessageDlg(const QString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext)
{
    TMessageForm dialog(msg, type, buttons);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setProperty("HelpContext", helpContext);
    return RunModal(dialog);
}

void ShowMessage(const QString& msg)
{
    MessageDlg(msg, mtCustom, MsgButtons({mbOK}), 0);
}
