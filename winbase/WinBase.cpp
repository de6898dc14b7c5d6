// Construction, destruction and the default behaviour of the virtual
// operations that belong to no other framework feature.
#include "winbase/WinBase.h"

namespace {

constexpr char kMakerKeyPath[] = "Software\\Quillfen\\";
constexpr char kDefaultTitle[] = "Quillfen Application";
constexpr COLORREF kWhite = 0xFFFFFF;

NString SettingsPath(const char* keyName)
{
    NString path(kMakerKeyPath);
    path.Append(keyName);
    return path;
}

}  // namespace

QF_WINBASE::QF_WINBASE(const char* keyName, HWND parent, HMODULE module)
    : m_parent(parent), m_module(module), m_settings(HKEY_CURRENT_USER, SettingsPath(keyName).Text())
{
    Enlist(this);
}

QF_WINBASE::~QF_WINBASE()
{
    Unbind(this);
}

void QF_WINBASE::OnInitDone() {}

void QF_WINBASE::ApplyFont(HFONT font)
{
    const WPARAM fontParam = reinterpret_cast<WPARAM>(font);
    SendMessageA(m_window, WM_SETFONT, fontParam, 0);
    for (HWND child = GetWindow(m_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageA(child, WM_SETFONT, fontParam, 0);
        InvalidateRect(child, nullptr, TRUE);
    }
    if (IsScalable()) {
        ScaleChildren();
    }
    InvalidateRect(m_window, nullptr, TRUE);
}

void QF_WINBASE::OnTrayMiddleClick()
{
    RestoreFromTray();
}

void QF_WINBASE::OnTrayDoubleClick()
{
    RestoreFromTray();
}

HWND QF_WINBASE::Item(int id) const
{
    return GetDlgItem(m_window, id);
}

void QF_WINBASE::OnStatusBarSized(HWND) {}

void QF_WINBASE::OnDpiChanged(UINT, UINT) {}

bool QF_WINBASE::IsScalable() const
{
    return false;
}

bool QF_WINBASE::UsesTray() const
{
    return false;
}

bool QF_WINBASE::TrayOnlyWhenHidden() const
{
    return false;
}

bool QF_WINBASE::StartsHidden() const
{
    return false;
}

UINT QF_WINBASE::TrayMessage() const
{
    return kNoTrayMessage;
}

HMENU QF_WINBASE::TrayMenu() const
{
    return nullptr;
}

NString QF_WINBASE::Title() const
{
    return NString(kDefaultTitle);
}

WString QF_WINBASE::TitleWide() const
{
    const NString title = Title();
    if (title.IsEmpty()) {
        return WString(L"");
    }
    return WString::FromNarrow(title.Text(), CP_ACP);
}

COLORREF QF_WINBASE::ControlBackColor() const
{
    return kWhite;
}

int QF_WINBASE::ReservedQuery() const
{
    return 0;
}

HICON QF_WINBASE::SetIcon(HICON icon)
{
    m_icon = icon;
    const LRESULT previous = SendMessageA(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    m_previousIcon = reinterpret_cast<HICON>(previous);
    OnIconChanged();
    return m_previousIcon;
}
