// The user font of a dialog: made from a description whose height is a size
// in points, and given to every child control.
#include "winbase/WinBase.h"

#include <cstring>

#include "winbase/Dpi.h"
#include "winbase/FontStore.h"

namespace {

constexpr char kFontKey[] = "Font";

void FillDefaultDescription(LOGFONTA& font)
{
    font = LOGFONTA{};
    font.lfHeight = 8;
    font.lfWeight = FW_NORMAL;
    font.lfOutPrecision = OUT_STROKE_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfQuality = DRAFT_QUALITY;
    font.lfPitchAndFamily = 0x2B;
    std::strcpy(font.lfFaceName, "Arial");
}

}  // namespace

// The description comes from the "Font" sub-key, with 8-point Arial for a
// description that is not stored whole; it is written back, so the defaults
// become stored on first use. The points become pixels at the window's DPI.
HFONT QF_WINBASE::CreateUserFont()
{
    {
        const WindowDc dc(m_window);
        if (!m_font) {
            m_priorFont = static_cast<HFONT>(GetCurrentObject(dc.get(), OBJ_FONT));
        } else {
            for (HWND child = GetWindow(m_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_priorFont), 0);
            }
            m_font.reset();
        }
    }
    FillDefaultDescription(m_fontDescription);
    ReadFont(m_settings, kFontKey, m_fontDescription, nullptr);
    WriteFont(m_settings, kFontKey, m_fontDescription, nullptr);
    const LONG points = m_fontDescription.lfHeight;
    const UINT dpi = m_dpi != 0 ? m_dpi : WindowDpi(m_window);
    m_fontDescription.lfHeight = -MulDiv(points, static_cast<int>(dpi), 72);
    m_font.reset(CreateFontIndirectA(&m_fontDescription));
    m_fontDescription.lfHeight = points;
    for (HWND child = GetWindow(m_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), 0);
        InvalidateRect(child, nullptr, TRUE);
    }
    return m_font.get();
}
