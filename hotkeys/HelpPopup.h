// HelpPopup: explanatory popups (a tooltip control) on the controls of one
// dialog. A dialog holds at most one, as a std::unique_ptr, and drops it to
// remove every popup at once. The popups are drawn at the owner's DPI: their
// font is the system's status font made for it and their width scales.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

#include "winbase/ScopedHandles.h"
#include "text/Texts.h"

class HelpPopup {
public:
    // Creates the tooltip over owner. When the control cannot be created the
    // object still exists and every Add does nothing.
    HelpPopup(HMODULE module, HWND owner);
    HelpPopup(const HelpPopup&) = delete;
    HelpPopup& operator=(const HelpPopup&) = delete;
    // Destroys the tooltip and with it every popup.
    ~HelpPopup();

    // maxWidth as for SetWidth; the DPI is the owner's.
    static std::unique_ptr<HelpPopup> Create(HMODULE module, HWND owner, int maxWidth);

    // Long texts wrap to lines of at most this many pixels at 96 DPI (as many
    // more as the DPI is higher).
    void SetWidth(int pixels);
    // Draws the popups at dpi from now on: after the owner's DPI changed.
    void SetDpi(UINT dpi);
    // Shows text when the pointer rests on the owner's control id; "\n"
    // starts a new line. The tooltip copies the text. False when the control
    // or the tooltip is missing.
    bool Add(int controlId, const char* text);

    HWND Tooltip() const { return m_tooltip; }
    HWND Owner() const { return m_owner; }

private:
    HWND m_tooltip = nullptr;
    HWND m_owner = nullptr;
    OwnedFont m_font;
    int m_width = 0;
    UINT m_dpi = 0;
};

// One control's popup text, shown in the language in use when the popups are made.
struct HelpText {
    int control;
    Tx text;
};

// The popups of one of the program's dialogs, one per text: null when the program's
// "UseHelpPopups" switch (in its own key) is off or the popups cannot be made.
std::unique_ptr<HelpPopup> HelpPopupsIfSwitchedOn(HMODULE module, HWND owner, int maxWidth, const HelpText* texts,
                                                  size_t count);
template <size_t N>
std::unique_ptr<HelpPopup> HelpPopupsIfSwitchedOn(HMODULE module, HWND owner, int maxWidth, const HelpText (&texts)[N])
{
    return HelpPopupsIfSwitchedOn(module, owner, maxWidth, texts, N);
}
