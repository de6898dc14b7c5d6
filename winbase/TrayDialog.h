// QF_TRAYDIALOG: a modal dialog that uses the tray and asks the user with this layer's own
// dialogs: the password before it comes back from the tray, the query before it goes there and
// the notice when it went. The base's tray behaviour asks through these overrides only, so it
// never calls up into the dialogs that are built on it.
#pragma once

#include "winbase/ModalDialog.h"

class QF_TRAYDIALOG : public QF_MODALDIALOG {
public:
    using QF_MODALDIALOG::QF_MODALDIALOG;

protected:
    bool AskRestorePassword(NString& stored) override;
    bool AskGoToTray(const char* actionName) override;
    void TellGoneToTray(const char* actionName) override;
};
