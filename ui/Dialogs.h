#pragma once

#include <QString>

class QDialog;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};
using TMsgDlgButtons = quint32; // bit n set for TMsgDlgBtn n

constexpr TMsgDlgButtons MsgButtons(std::initializer_list<TMsgDlgBtn> buttons)
{
    TMsgDlgButtons set = 0;
    for (TMsgDlgBtn b : buttons)
        set |= 1u << b;
    return set;
}

enum : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10
};

// Shows the message dialog modally and returns the result of the button that closed it.
int MessageDlg(const QString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);
// The plain message box: the custom-type dialog with one OK button.
void ShowMessage(const QString& msg);
