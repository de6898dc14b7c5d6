#include "winbase/TrayDialog.h"

#include "winbase/PasswordDialog.h"
#include "winbase/TrayDialogs.h"

namespace {

constexpr wchar_t kTrayQuestion[] = L"Would you like to hide the application and run it in the system tray?";

}  // namespace

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
    request.text = kTrayQuestion;
    return AskQuery(request);
}

void QF_TRAYDIALOG::TellGoneToTray(const char* actionName)
{
    ShowTrayNotice(Window(), Icon(), Settings(), actionName);
}
