#include "hotkeys/HelpPopup.h"

#include <commctrl.h>

#include "hotkeys/HotkeyTable.h"
#include "winbase/Dpi.h"
#include "winbase/LateLibraries.h"
#include "winbase/ThemedWindows.h"

namespace {

// The tooltip class is registered by the common controls library; make sure
// it is loaded before the first popup is created.
void EnsureTooltipClass()
{
    static const bool done = [] {
        INITCOMMONCONTROLSEX init = {};
        init.dwSize = sizeof(init);
        init.dwICC = ICC_WIN95_CLASSES;
        return LateInitCommonControlsEx(&init) != FALSE;
    }();
    (void)done;
}

} // namespace

HelpPopup::HelpPopup(HMODULE module, HWND owner) : m_owner(owner)
{
    EnsureTooltipClass();
    m_tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                reinterpret_cast<HINSTANCE>(module), nullptr);
    SetDpi(WindowDpi(owner));
    // Later changes of the theme reach it through its owner (a dialog of the program).
    ThemeTooltip(m_tooltip);
}

// The font goes after the tooltip (as m_font goes, after this), which uses it until it is destroyed.
HelpPopup::~HelpPopup()
{
    if (m_tooltip)
        DestroyWindow(m_tooltip);
}

std::unique_ptr<HelpPopup> HelpPopup::Create(HMODULE module, HWND owner, int maxWidth)
{
    auto popup = std::make_unique<HelpPopup>(module, owner);
    popup->SetWidth(maxWidth);
    return popup;
}

void HelpPopup::SetWidth(int pixels)
{
    m_width = pixels;
    if (m_tooltip)
        SendMessageA(m_tooltip, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(pixels, m_dpi));
}

// A font that cannot be made leaves the one the popups had.
void HelpPopup::SetDpi(UINT dpi)
{
    if (!IsUsableDpi(dpi))
        return;
    m_dpi = dpi;
    if (!m_tooltip)
        return;
    NONCLIENTMETRICSW metrics = {};
    HFONT font = NonClientMetricsForDpi(metrics, dpi) ? CreateFontIndirectW(&metrics.lfStatusFont) : nullptr;
    if (font) {
        SendMessageA(m_tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        m_font.reset(font);
    }
    if (m_width > 0)
        SetWidth(m_width);
}

bool HelpPopup::Add(int controlId, const char* text)
{
    HWND control = GetDlgItem(m_owner, controlId);
    if (!m_tooltip || !control)
        return false;
    TOOLINFOA info = {};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = m_owner;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = const_cast<char*>(text);
    return SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

std::unique_ptr<HelpPopup> HelpPopupsIfSwitchedOn(HMODULE module, HWND owner, int maxWidth, const HelpText* texts,
                                                  size_t count)
{
    SettingsKey programKey(HKEY_CURRENT_USER, kProgramKeyPath);
    if (!ReadSwitch(programKey, kUseHelpPopupsValue))
        return nullptr;
    std::unique_ptr<HelpPopup> popups = HelpPopup::Create(module, owner, maxWidth);
    for (size_t i = 0; popups && i < count; ++i)
        popups->Add(texts[i].control, T(texts[i].text));
    return popups;
}
