#include "winbase/ThemedWindows.h"

#include <commctrl.h>
#include <richedit.h>

#include "text/NString.h"
#include "winbase/DarkMode.h"
#include "winbase/MenuItems.h"
#include "winbase/Subclasses.h"
#include "winbase/Theme.h"

namespace {

bool Dark()
{
    return CurrentTheme().IsDark();
}

// Nothing to do: a light look for a program that was never dark.
bool Untouched()
{
    return !Dark() && !WasEverDark();
}

NString UpperClassName(HWND window)
{
    NString name = NString::FromClassName(window);
    name.ToUpper();
    return name;
}

// Check boxes, radio buttons and group boxes draw their styled texts in the style's colour,
// whatever their owner says: in the dark they go without a style; push buttons take the dark one.
ControlSkin ButtonSkin(HWND button)
{
    switch (GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        return ControlSkin::DarkExplorer;
    default:
        return ControlSkin::Classic;
    }
}

void ThemeListView(HWND list, const ThemeColours& colours)
{
    SendMessageW(list, LVM_SETBKCOLOR, 0, colours.window);
    SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, colours.window);
    SendMessageW(list, LVM_SETTEXTCOLOR, 0, colours.windowText);
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    SetControlSkin(header, Dark() ? ControlSkin::DarkItems : ControlSkin::Standard);
}

// A rich edit box asks its owner for no colours: a framed one shows data in the window colours,
// a bare one is a text on the dialog. Light gives it the system's colours back.
void ThemeRichEdit(HWND edit, const ThemeColours& colours)
{
    const LONG_PTR style = GetWindowLongPtrW(edit, GWL_STYLE);
    const bool framed = (style & (WS_BORDER | ES_SUNKEN)) || (GetWindowLongPtrW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    const bool dark = Dark();
    SendMessageW(edit, EM_SETBKGNDCOLOR, dark ? 0 : 1, framed ? colours.window : colours.dialog);
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.dwEffects = dark ? 0 : CFE_AUTOCOLOR;
    format.crTextColor = framed ? colours.windowText : colours.dialogText;
    SendMessageW(edit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(edit, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

// The program's message boxes while they show, with the window procedure each had.
Subclasses& DarkBoxes()
{
    static Subclasses boxes;
    return boxes;
}

// In front of the box's own procedure: its colour questions are answered in the dark look, and
// its own procedure is put back as the window goes.
LRESULT CALLBACK DarkBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC procedure = DarkBoxes().Previous(box);
    if (!procedure)
        return DefWindowProcW(box, message, wParam, lParam);
    switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORMSGBOX:
        if (Dark())
            return DarkColourAnswer(message, reinterpret_cast<HDC>(wParam));
        break;
    case WM_NCDESTROY:
        DarkBoxes().Restore(box, procedure);
        break;
    default:
        break;
    }
    return Subclasses::CallPrevious(procedure, box, message, wParam, lParam);
}

BOOL CALLBACK ThemeBoxChild(HWND child, LPARAM)
{
    ThemeControl(child);
    return TRUE;
}

}  // namespace

INT_PTR DarkColourAnswer(UINT message, HDC dc)
{
    const Theme& theme = CurrentTheme();
    const ThemeColours& colours = theme.Colours();
    const bool data = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
    if (message != WM_CTLCOLORBTN)
        SetTextColor(dc, data ? colours.windowText : colours.dialogText);
    SetBkColor(dc, data ? colours.window : colours.dialog);
    return reinterpret_cast<INT_PTR>(data ? theme.WindowBrush() : theme.DialogBrush());
}

void ThemeControl(HWND control)
{
    if (Untouched() || !control)
        return;
    const bool dark = Dark();
    const auto skin = [dark](ControlSkin darkSkin) { return dark ? darkSkin : ControlSkin::Standard; };
    const NString name = UpperClassName(control);
    const ThemeColours& colours = CurrentTheme().Colours();
    if (name.Equals("BUTTON")) {
        SetControlSkin(control, skin(ButtonSkin(control)));
    } else if (name.Equals("EDIT") || name.Equals("COMBOBOX")) {
        SetControlSkin(control, skin(ControlSkin::DarkEdit));
    } else if (name.Equals("SYSLISTVIEW32")) {
        SetControlSkin(control, skin(ControlSkin::DarkExplorer));
        ThemeListView(control, colours);
    } else if (name.Contains("RICHEDIT")) {
        SetControlSkin(control, skin(ControlSkin::DarkExplorer));
        ThemeRichEdit(control, colours);
    } else if (name.Equals("LISTBOX") || name.Equals("SCROLLBAR")) {
        SetControlSkin(control, skin(ControlSkin::DarkExplorer));
    }
    InvalidateRect(control, nullptr, TRUE);
}

// A styled tooltip draws in the style's colours: in the dark it goes without a style.
void ThemeTooltip(HWND tooltip)
{
    if (Untouched() || !tooltip)
        return;
    const bool dark = Dark();
    const ThemeColours& colours = CurrentTheme().Colours();
    SetControlSkin(tooltip, dark ? ControlSkin::Classic : ControlSkin::Standard);
    SendMessageW(tooltip, TTM_SETTIPBKCOLOR, colours.tip, 0);
    SendMessageW(tooltip, TTM_SETTIPTEXTCOLOR, colours.tipText, 0);
}

void ThemeMenuBackground(HMENU menu)
{
    const int count = menu ? GetMenuItemCount(menu) : 0;
    bool ours = false;
    for (int position = 0; position < count && !ours; ++position) {
        MENUITEMINFOW item = {sizeof(item)};
        item.fMask = MIIM_DATA;
        ours = GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item) && LiveMenuItemName(item.dwItemData);
    }
    if (!ours || Untouched())
        return;
    MENUINFO info = {sizeof(info)};
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = Dark() ? CurrentTheme().MenuBrush() : nullptr;
    SetMenuInfo(menu, &info);
}

// Only a box of this thread, and once.
void ThemeMessageBox(HWND box)
{
    if (!Dark() || !box || GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId() ||
        !DarkBoxes().Install(box, DarkBoxProc))
        return;
    SetDarkTitleBar(box, true);
    EnumChildWindows(box, ThemeBoxChild, 0);
    RedrawWindow(box, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}
