#include "app/TitleAndIcon.h"

#include <algorithm>
#include <vector>

#include "text/WString.h"
#include "winbase/WindowOps.h"

namespace {

// A window that reports a longer text than this is not believed.
constexpr LRESULT kMaxSentTitleChars = 1024 * 1024;

// The first count characters of text. Characters are counted as the window
// system counts them (UTF-16 units), and a surrogate pair is never split, so
// a cut never leaves half a character behind in the narrow text.
NString KeepCharacters(const NString& text, uint32_t count)
{
    if (text.Length() <= count) {
        return text;
    }
    WString wide = WString::FromNarrow(text.Text());
    if (wide.IsNull()) {
        return NString(text.Text(), count);
    }
    if (wide.Length() <= count) {
        return text;
    }
    uint32_t cut = count;
    if (cut > 0 && IS_HIGH_SURROGATE(wide.Text()[cut - 1])) {
        --cut;
    }
    return cut == 0 ? NString("") : NString::FromWide(wide.Text(), static_cast<int>(cut));
}

// The system's shared Windows-logo icon. LoadIconA hands out the same shared
// handle on every call, so it is asked once; a failed load is asked again.
HICON WindowsLogoIcon()
{
    static HICON logo = nullptr;
    if (!logo) {
        logo = LoadIconA(nullptr, MAKEINTRESOURCEA(32517));
    }
    return logo;
}

} // namespace

NString StoredTitle(HWND window)
{
    return KeepCharacters(WindowTextWithoutMessages(window), kStoredTitleMaxChars);
}

bool IsDesktopWindow(HWND window)
{
    return StoredTitle(window).EqualsNoCase(kDesktopTitle);
}

NString ShortTitle(const NString& title)
{
    NString shortened = KeepCharacters(title, kShortTitleChars);
    if (shortened.Length() == title.Length()) {
        return title;
    }
    shortened.Append("...");
    return shortened;
}

NString SentTitle(HWND window, SilentThreads* silent)
{
    if (!window) {
        return NString("!!**NULL HWND**!!");
    }
    if (!IsWindow(window)) {
        return NString("!!**INVALID HWND**!!");
    }
    SilentThreads local;
    SilentThreads* threads = silent ? silent : &local;
    LRESULT length = 0;
    if (!SendBoundedWide(window, WM_GETTEXTLENGTH, 0, 0, length, threads)) {
        return StoredTitle(window);
    }
    length = std::min(std::max<LRESULT>(length, 0), kMaxSentTitleChars);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!SendBoundedWide(window, WM_GETTEXT, static_cast<WPARAM>(length + 1),
                         reinterpret_cast<LPARAM>(buffer.data()), copied, threads)) {
        return StoredTitle(window);
    }
    copied = std::min(std::max<LRESULT>(copied, 0), length);
    copied = static_cast<LRESULT>(BoundedLength(buffer.data(), static_cast<size_t>(copied)));
    if (copied == 0) {
        return NString("");
    }
    NString title = NString::FromWide(buffer.data(), static_cast<int>(copied));
    return title.IsNull() ? NString("") : title;
}

HICON WindowOwnIcon(HWND window, SilentThreads* silent)
{
    SilentThreads local;
    SilentThreads* threads = silent ? silent : &local;
    for (WPARAM kind : {static_cast<WPARAM>(ICON_SMALL), static_cast<WPARAM>(ICON_BIG)}) {
        LRESULT icon = 0;
        if (SendBounded(window, WM_GETICON, kind, 0, icon, threads, kIconAnswerTimeoutMs) && icon) {
            return reinterpret_cast<HICON>(icon);
        }
    }
    return nullptr;
}

HICON WindowFallbackIcon(HWND window)
{
    for (int index : {GCLP_HICONSM, GCLP_HICON}) {
        if (ULONG_PTR icon = GetClassLongPtrA(window, index)) {
            return reinterpret_cast<HICON>(icon);
        }
    }
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    if ((style & WS_POPUP) || (exStyle & WS_EX_DLGMODALFRAME)) {
        return nullptr;
    }
    return WindowsLogoIcon();
}

HICON WindowIcon(HWND window, SilentThreads* silent)
{
    HICON own = WindowOwnIcon(window, silent);
    return own ? own : WindowFallbackIcon(window);
}

namespace {

struct CountPass {
    int count = 0;
    SilentThreads silent;
};

BOOL CALLBACK CountVisible(HWND window, LPARAM param)
{
    auto* pass = reinterpret_cast<CountPass*>(param);
    if (IsWindowVisible(window) && !SentTitle(window, &pass->silent).EqualsNoCase(kDesktopTitle)) {
        ++pass->count;
    }
    return TRUE;
}

} // namespace

int VisibleWindowCount()
{
    CountPass pass;
    EnumWindows(CountVisible, reinterpret_cast<LPARAM>(&pass));
    return pass.count;
}
