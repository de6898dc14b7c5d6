// The one dialog procedure: binding an object to its window and the
// WM_INITDIALOG processing.
#include "winbase/WinBase.h"

#include "winbase/DialogTables.h"
#include "winbase/DialogTexts.h"
#include "winbase/Dpi.h"
#include "winbase/ModuleInfo.h"
#include "winbase/TrayRecord.h"
#include "winbase/WindowHelpers.h"

namespace {

// The first icon of the module's own resources at the system's large icon size: the icon
// ExtractIcon takes as its file's first, read from the module already loaded instead of from
// its file (which costs the start opening and mapping the file again).
HICON FirstLargeIcon(HMODULE module)
{
    const ResourceName name = FirstIconName(module);
    return name.IsEmpty() ? nullptr : LoadIconAtSize(module, name.Get(), GetSystemMetrics(SM_CXICON));
}

// The first icon of the module's own resources, at the notification area's size.
HICON FirstSmallIcon(HMODULE module)
{
    return LoadSmallIconMetric(module, FirstIconName(module));
}

HMODULE FrameworkModule()
{
    return ModuleOfAddress(reinterpret_cast<const void*>(&QF_WINBASE::DialogProc));
}

}  // namespace

INT_PTR CALLBACK QF_WINBASE::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETFONT && !BoundDialogs().Find(window)) {
        OnFontOfUnboundWindow(window);
        return 0;
    }
    if (message == WM_INITDIALOG) {
        QF_WINBASE* self = ObjectToBind(window, lParam);
        if (!self) {
            return 0;
        }
        try {
            self->m_window = window;
            BoundDialogs().Bind(window, self);
            return self->InitDialog(wParam, lParam);
        } catch (...) {
            return -1;
        }
    }
    QF_WINBASE* self = BoundDialogs().Find(window);
    if (!self) {
        return 0;
    }
    INT_PTR result = 0;
    try {
        result = self->Route(message, wParam, lParam);
    } catch (...) {
        result = 0;
    }
    if (message == WM_NCDESTROY) {
        BoundDialogs().Unbind(window);
    }
    return result;
}

// The dialog manager gives a new dialog its font once its window exists and before it makes the
// controls: the object whose dialog this thread is making learns of its window then, once. A
// WM_SETFONT to a bound window is routed as any message.
void QF_WINBASE::OnFontOfUnboundWindow(HWND window)
{
    QF_WINBASE* making = TakeDialogInMaking();
    if (!making) {
        return;
    }
    try {
        making->OnWindowMade(window);
    } catch (...) {
    }
}

// A top-level dialog that starts hidden in the tray, with its icon always there, shows its tray
// icon first: the icon's first add (the picture, as TakeInitialIcon would add it) begins here,
// alongside the making of the controls, instead of once they are made. The initialisation neither
// asks for that picture again nor waits for the add before it must (UpdateTrayIcon); the start
// into the tray gives the icon its tip and callback message, as before.
void QF_WINBASE::OnWindowMade(HWND window)
{
    if (!UsesTray() || !StartsHidden() || TrayOnlyWhenHidden() || m_parent || m_window || m_trayAdd.Pending()) {
        return;
    }
    const HMODULE iconModule = FirstIconName(m_module).IsEmpty() ? FrameworkModule() : m_module;
    if (!m_smallIcon) {
        m_smallIcon.reset(FirstSmallIcon(iconModule));
    }
    if (m_smallIcon && m_trayAdd.Begin(WideTrayRecord(window, kTrayPicture, L"", 0, m_smallIcon.get()))) {
        m_earlyTrayWindow = window;
        m_earlyTrayPicture = m_smallIcon.get();
    }
}


INT_PTR QF_WINBASE::InitDialog(WPARAM wParam, LPARAM lParam)
{
    if (UsesTray()) {
        RegisterTaskbarCreated();
    }
    KeepDialogDpiScalingOurs(m_window);
    m_dpi = m_creationDpi = WindowDpi(m_window);
    // The tray's first add runs alongside the rest of the initialisation; it has ended before
    // the dialog can show.
    m_trayAddAlongside = true;
    TakeInitialIcon();
    m_trayAddAlongside = false;
    ApplyDialogTexts(m_window, TextTemplateId());
    if (ControlsDeferred()) {
        // Its controls may be asked for while it is initialised (Hide Active from a question).
        RecordMadeSize();
    } else {
        OnControlsMade();
    }
    const INT_PTR result = OnMessage(WM_INITDIALOG, wParam, lParam);
    // A dialog that was to start hidden in the tray but shows after all makes its controls now.
    if (ControlsDeferred() && !StartsHidden()) {
        MakeTemplateControls();
    }
    FitDialogTexts(m_window);
    if (IsScalable()) {
        RecordChildLayout();
    }
    RecordMadeSize();
    ApplyTheme();
    RestorePlacement();
    TakeAlwaysOnTopCommandId();
    FinishTrayAdd();
    OnInitDone();
    if (!StartsHidden()) {
        SetForegroundWindow(m_window);
    }
    return result;
}

void QF_WINBASE::RecordMadeSize()
{
    RECT client = {};
    GetClientRect(m_window, &client);
    m_madeClient = SIZE{client.right, client.bottom};
}

int QF_WINBASE::TextTemplateId() const
{
    return 0;
}

void QF_WINBASE::ReapplyTexts()
{
    if (!m_window) {
        return;
    }
    m_layoutReference = RECT{};
    ApplyDialogTexts(m_window, TextTemplateId());
    FitDialogTexts(m_window);
    if (IsScalable()) {
        RecordChildLayout();
    }
}

// An owned dialog shows its owner's icon; a top-level one the first icon of
// its module's file, else of the framework's file (big, and small at the
// notification area's size for the caption and the tray), and starts centred
// on the desktop. That first centring is needed although RestorePlacement
// places the dialog again: it evens an odd size before the texts are fitted and
// the layout is recorded (a scalable dialog's layout would otherwise be off by
// the pixel from the start), and a message box asked while the dialog is made
// is centred over it.
void QF_WINBASE::TakeInitialIcon()
{
    if (m_parent) {
        SetIcon(reinterpret_cast<HICON>(SendMessageA(m_parent, WM_GETICON, ICON_BIG, 0)));
        return;
    }
    HMODULE iconModule = m_module;
    HICON icon = FirstLargeIcon(iconModule);
    if (!icon) {
        iconModule = FrameworkModule();
        icon = FirstLargeIcon(iconModule);
    }
    if (icon && !m_smallIcon) {
        m_smallIcon.reset(FirstSmallIcon(iconModule));
    }
    if (icon && m_smallIcon) {
        SendMessageA(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.get()));
    }
    if (icon) {
        m_extractedIcon.reset(icon);
    }
    SetIcon(icon);
    CenterWindow(m_window, nullptr);
}
