// The two small dialogs of closing and minimising to the tray: the yes/no
// query with "Don't remind me again" (REMINDER) and the notice that the
// program keeps running in the notification area (CLOSE_TRAY). Both load
// their templates from the module that holds the framework code.
#pragma once

#include <windows.h>

#include "settings/SettingsKey.h"
#include "text/NString.h"
#include "text/WString.h"
#include "winbase/ModalDialog.h"
#include "winbase/ScopedHandles.h"

// What the query asks and where it keeps the answer: the sub-key name under
// HKEY_CURRENT_USER\keyPath holds the values name ("ask no more: the
// answer") and name + "Reminder" (0: ask no more, 1: ask).
struct QueryRequest {
    HWND owner = nullptr;
    NString keyPath = "Software\\Quillfen\\";
    NString name = "Reminder";
    WString text = L"";
    // Shown in a second text box below the first when not empty.
    WString secondText = L"";
    HICON icon = nullptr;
};

// The query dialog (template 136, or 140 with the second text box).
class REMINDER : public QF_MODALDIALOG {
public:
    explicit REMINDER(const QueryRequest& request);

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Whether "Don't remind me again" was ticked when the dialog ended.
    bool DontRemind() const { return m_dontRemind != 0; }

private:
    void OnInit();

    const QueryRequest* m_request;
    uint32_t m_dontRemind = 0;
};

// The Close to Systray notice (template 141): the tray picture with the
// owner's icon drawn on it, both at the dialog's DPI.
class CLOSE_TRAY : public QF_MODALDIALOG {
public:
    explicit CLOSE_TRAY(HWND owner);
    ~CLOSE_TRAY() override;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The icon drawn over the picture and shown by the dialog; set before
    // Show.
    void SetPictureIcon(HICON icon) { m_pictureIcon = icon; }
    // False when the user ticked "Don't show me this message again" and
    // pressed OK.
    bool ShowAgain() const { return m_showAgain != 0; }

protected:
    void OnDpiChanged(UINT oldDpi, UINT newDpi) override;

private:
    void MakePicture();
    void ReleasePicture();
    void PaintPicture();

    OwnedMemoryDc m_pictureDc;
    HGDIOBJ m_priorBitmap = nullptr;
    OwnedBitmap m_bitmap;
    SIZE m_bitmapSize = {};
    uint32_t m_showAgain = 1;
    HICON m_pictureIcon = nullptr;
};

// Asks the request's question, unless an earlier answer was made permanent:
// then that answer is returned without a dialog. Writes name + "Reminder"
// after every answer, and the answer itself when the box was ticked. True
// for Yes; a dialog that cannot be created answers No.
bool AskQuery(const QueryRequest& request);

// Shows the notice for the action (a sub-key of settings) unless its value
// actionName + "RunReminder" is 0; OK stores whether to show it again, any
// other way out stores nothing.
void ShowTrayNotice(HWND owner, HICON icon, const SettingsKey& settings, const char* actionName);
