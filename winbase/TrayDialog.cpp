#include "winbase/TrayDialog.h"

#include "winbase/PasswordDialog.h"
#include "winbase/TrayDialogs.h"
#include "text/Texts.h"

bool QF_TRAYDIALOG::AskRestorePassword(NString& stored)
{
    return AskPassword(Window(), stored, Icon());
}

bool QF_TRAYDIALOG::AskGoToTray(const char* actionName)
{
    QueryRequest request;
    request.owner = Window();
    request.keyPath = Settings().Path();
    request.name = actionName;
    request.text = WString::FromNarrow(T(Tx::MsgGoToTray), CP_ACP);
    return AskQuery(request);
}

void QF_TRAYDIALOG::TellGoneToTray(const char* actionName)
{
    ShowTrayNotice(Window(), Icon(), Settings(), actionName);
}
