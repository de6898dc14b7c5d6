// A dialog that starts hidden in the tray makes its window only; its controls are made from its
// template as it is first shown, as the dialog manager would have made them, and laid out where a
// dialog made whole would have them then. A start that is never shown never pays for them, nor
// for the common controls library they need.
#include "winbase/WinBase.h"

#include <string>

#include "winbase/DialogTexts.h"
#include "winbase/ProgramEnd.h"

namespace {

// A text of the template in the system's code page, as a narrow dialog's controls get it.
std::string Narrow(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], size, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(size) - 1);
    return narrow;
}

// A static control whose title names a resource shows that icon or bitmap, as the template says.
void ShowTitlePicture(HWND control, HMODULE module, const DialogItem& item)
{
    if (item.title[0] != 0xFFFF)
        return;
    const DWORD kind = item.style & SS_TYPEMASK;
    const UINT type = kind == SS_ICON ? IMAGE_ICON : kind == SS_BITMAP ? IMAGE_BITMAP : 0;
    if (type == 0)
        return;
    HANDLE picture = LoadImageA(module, MAKEINTRESOURCEA(item.title[1]), type, 0, 0, LR_DEFAULTSIZE | LR_SHARED);
    if (picture)
        SendMessageA(control, STM_SETIMAGE, type, reinterpret_cast<LPARAM>(picture));
}

// The control at its template place in the dialog's units, with the dialog's font. As the dialog
// manager does: the place and the size are converted each on its own, a border becomes the sunken
// edge, and a title naming a resource is handed on as its two characters.
HWND MakeItem(HWND dialog, HMODULE module, const DialogItem& item, HFONT font)
{
    RECT place = {item.units.left, item.units.top, item.units.right - item.units.left,
                  item.units.bottom - item.units.top};
    MapDialogRect(dialog, &place);
    DWORD style = (item.style & ~WS_POPUP) | WS_CHILD;
    DWORD exStyle = item.exStyle | WS_EX_NOPARENTNOTIFY;
    if (style & WS_BORDER) {
        style &= ~WS_BORDER;
        exStyle |= WS_EX_CLIENTEDGE;
    }
    const wchar_t ordinalTitle[] = {item.title[0], item.title[0] == 0xFFFF ? item.title[1] : L'\0', L'\0'};
    const std::string className = Narrow(item.className);
    const std::string title = Narrow(item.title[0] == 0xFFFF ? ordinalTitle : item.title);
    HWND control = CreateWindowExA(exStyle, className.c_str(), title.c_str(), style, place.left, place.top,
                                   place.right, place.bottom, dialog, reinterpret_cast<HMENU>(UINT_PTR{item.id}),
                                   reinterpret_cast<HINSTANCE>(module), const_cast<void*>(item.creationData));
    if (!control)
        return nullptr;
    if (font)
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ShowTitlePicture(control, module, item);
    if (SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)
        SendMessageA(dialog, DM_SETDEFID, item.id, 0);
    return control;
}

} // namespace

bool QF_WINBASE::MakesControlsWhenShown() const
{
    return false;
}

void QF_WINBASE::OnControlsMade() {}

// Only a top-level dialog that starts hidden in the tray, and asks for it, is made without its
// controls; a template this cannot read is made whole.
std::vector<BYTE> QF_WINBASE::TemplateWithoutControls(int templateId)
{
    m_deferredItems.clear();
    if (!MakesControlsWhenShown() || !StartsHidden() || !UsesTray() || m_parent || ProgramEnding())
        return {};
    HRSRC found = FindResourceA(m_module, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5));
    HGLOBAL loaded = found ? LoadResource(m_module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const size_t size = found ? SizeofResource(m_module, found) : 0;
    DialogTemplateItems read;
    if (!bytes || !ReadDialogItems(bytes, size, read) || read.items.empty())
        return {};
    m_deferredItems = std::move(read.items);
    return TemplateWithoutItems(bytes, size, read);
}

// Makes the template's controls, shows their texts and lets the dialog take them up; the dialog
// then lays them out.
void QF_WINBASE::MakeTemplateControls()
{
    const std::vector<DialogItem> items = std::move(m_deferredItems);
    m_deferredItems.clear();
    HFONT font = m_font ? m_font.get() : reinterpret_cast<HFONT>(SendMessageA(m_window, WM_GETFONT, 0, 0));
    for (const DialogItem& item : items)
        MakeItem(m_window, m_module, item, font);
    ApplyDialogTexts(m_window, TextTemplateId());
    OnControlsMade();
    ApplyTheme();
}

// The controls are made as the dialog was made: with the client area it had then and at the DPI
// of its template, fitted to their texts and recorded for the proportional layout. A DPI change
// since then is replayed on them as a shown dialog takes one, and the window goes back to its
// rectangle, which lays them out for it. A dialog with no placement stored takes, and stores, the
// placement a dialog made whole takes at its start: centred at the size its texts gave it.
void QF_WINBASE::MakeDeferredControls()
{
    if (m_deferredItems.empty() || !m_window || m_makingControls || m_madeClient.cx <= 0)
        return;
    {
        // Whatever happens inside, the dialog is left at its DPI and taking DPI changes again.
        struct Making {
            QF_WINBASE& dialog;
            UINT dpi;
            ~Making()
            {
                dialog.m_makingControls = false;
                dialog.m_dpi = dpi;
            }
        } making{*this, m_dpi};
        m_makingControls = true;
        m_dpiWhileMaking = 0;
        LayOutDeferredControls(making.dpi);
    }
    if (m_dpiWhileMaking != 0 && m_dpiWhileMaking != m_dpi)
        ChangeDpi(m_dpiWhileMaking, nullptr);
}

void QF_WINBASE::LayOutDeferredControls(UINT dpiNow)
{
    RECT now = {};
    GetWindowRect(m_window, &now);
    m_dpi = m_creationDpi;
    m_dpiFont.reset();
    ResizeToMadeClient();
    MakeTemplateControls();
    FitDialogTexts(m_window, m_creationDpi);
    if (IsScalable())
        RecordChildLayout();
    if (m_placementAwaitsControls)
        now = FittedAt(now, dpiNow);
    if (dpiNow != m_creationDpi)
        ChangeDpi(dpiNow, &now);
    m_dpi = dpiNow;
    SetWindowPos(m_window, nullptr, now.left, now.top, now.right - now.left, now.bottom - now.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_placementAwaitsControls) {
        m_placementAwaitsControls = false;
        StoreFirstPlacement();
    }
}

// The window sized so that its client area is the one it had when made, whatever its frame is now.
void QF_WINBASE::ResizeToMadeClient()
{
    RECT window = {}, client = {};
    GetWindowRect(m_window, &window);
    GetClientRect(m_window, &client);
    const LONG frameWidth = (window.right - window.left) - client.right;
    const LONG frameHeight = (window.bottom - window.top) - client.bottom;
    SetWindowPos(m_window, nullptr, 0, 0, m_madeClient.cx + frameWidth, m_madeClient.cy + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The rectangle at corner's top left corner with the window's present size, scaled to dpi.
RECT QF_WINBASE::FittedAt(const RECT& corner, UINT dpi) const
{
    RECT fitted = {};
    GetWindowRect(m_window, &fitted);
    const int from = static_cast<int>(m_creationDpi), to = static_cast<int>(dpi);
    return RECT{corner.left, corner.top, corner.left + MulDiv(fitted.right - fitted.left, to, from),
                corner.top + MulDiv(fitted.bottom - fitted.top, to, from)};
}
