#include "dialogs/AboutDialog.h"

#include <richedit.h>

#include <vector>

#include "dialogs/AboutText.h"
#include "dialogs/Hyperlink.h"
#include "res/AboutDialogIds.h"
#include "shell/InstallPaths.h"
#include "shell/Links.h"
#include "shell/Shell.h"
#include "winbase/Dpi.h"
#include "winbase/LateLibraries.h"
#include "winbase/ModuleInfo.h"
#include "winbase/WindowHelpers.h"

namespace {

// The owner's icon beside the title, in pixels at 96 DPI.
constexpr int kIconTop = 22;
constexpr int kIconSize = 32;

bool FileExists(const NString& path)
{
    return !path.IsEmpty() && GetFileAttributesA(path.Text()) != INVALID_FILE_ATTRIBUTES;
}

void SendLink(HWND link, WPARAM command, LPARAM value)
{
    SendMessageW(link, WM_COMMAND, command, value);
}

void SendLinkText(HWND link, WPARAM command, const wchar_t* text)
{
    SendHyperlinkText(link, command, text);
}

// The template, chosen once: the licence variant's text area is a rich edit control, so it is
// used only when the licence file exists and that control's class could be registered (a
// template naming an unknown class makes no dialog at all).
int AboutTemplate(const NString& licenceFile)
{
    return FileExists(licenceFile) && EnsureRichEditClass() ? IDD_ABOUT_LICENCE : IDD_ABOUT;
}

}  // namespace

MODAL_ABOUT::MODAL_ABOUT(const AboutOwner& owner, const NString& licenceFile)
    : QF_MODALDIALOG("", AboutTemplate(licenceFile), owner.window, owner.module),
      m_ownerModule(owner.module),
      m_ownerIcon(owner.icon),
      m_licenceVariant(TemplateId() == IDD_ABOUT_LICENCE ? 1 : 0),
      m_licenceFile(licenceFile)
{
}

MODAL_ABOUT::~MODAL_ABOUT() = default;

INT_PTR MODAL_ABOUT::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        Initialise();
        break;
    case WM_TIMER:
        Refresh();
        break;
    case WM_PAINT:
        PaintOwnerIcon();
        break;
    case WM_NOTIFY:
        // Only the licence text, a window of this thread, notifies the dialog.
        if (FromThisThread()) {
            OnLicenceLink(reinterpret_cast<const NMHDR*>(lParam));
        }
        break;
    case WM_COMMAND:
        if (wParam == IDOK || wParam == IDCANCEL) {
            EndDialog(Window(), 0);
        } else if (m_licenceVariant && LOWORD(wParam) == IDC_ABOUT_LICENCE_TEXT &&
                   (HIWORD(wParam) == EN_HSCROLL || HIWORD(wParam) == EN_VSCROLL)) {
            InvalidateRect(Item(IDC_ABOUT_LICENCE_TEXT), nullptr, TRUE);
        }
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return SendMessageA(GetParent(Window()), message, wParam, lParam);
    case WM_DESTROY:
        KillTimer(Window(), kRefreshTimer);
        break;
    default:
        break;
    }
    return 0;
}

void MODAL_ABOUT::Initialise()
{
    HWND maker = Item(IDC_ABOUT_WEB_LINK);
    SendLinkText(maker, kHyperlinkSetText, kMakerName);
    SendLink(maker, kHyperlinkSetUnderline, 1);

    HWND project = Item(IDC_ABOUT_PROJECT_LINK);
    SendLinkText(project, kHyperlinkSetText, kProjectLinkText);
    SendLinkText(project, kHyperlinkSetTarget, kProjectPage);
    SendLink(project, kHyperlinkSetUnderline, 1);
    ColourLinks();

    if (m_licenceVariant) {
        LoadLicenceText();
    }

    const NString file = NString::FromModuleFileName(m_ownerModule);
    const NString company = VersionString(file.Text(), "CompanyName");
    const NString copyright = VersionString(file.Text(), "LegalCopyright");
    const NString productName = VersionString(file.Text(), "ProductName");
    const NString version = NormaliseVersion(VersionString(file.Text(), "ProductVersion"));
    const NString title = AboutTitle(productName, version);
    SetUpLinks(productName, title);

    SetWindowTextA(Item(IDC_ABOUT_TITLE), title.Text());
    SetWindowTextA(Item(IDC_ABOUT_COPYRIGHT), copyright.IsNull() ? "" : copyright.Text());
    SetWindowTextA(Item(IDC_ABOUT_COMPANY), company.IsNull() ? "" : company.Text());
    Refresh();
    SetTimer(Window(), kRefreshTimer, 1000, nullptr);
}

void MODAL_ABOUT::SetUpLinks(const NString& productName, const NString& title)
{
    SendLinkText(Item(IDC_ABOUT_WEB_LINK), kHyperlinkSetTarget, MakerLinkTarget(kMakerWebSite, title).Text());

    HWND support = Item(IDC_ABOUT_EMAIL_LINK);
    SendLinkText(support, kHyperlinkSetText, kSupportEMail);
    SendLinkText(support, kHyperlinkSetTarget, SupportLinkTarget(kSupportEMail, productName).Text());
    SendLink(support, kHyperlinkSetUnderline, 1);
}

// The links in the theme's link colour; the project's turns to the text colour under the pointer.
void MODAL_ABOUT::ColourLinks()
{
    const ThemeColours& colours = CurrentTheme().Colours();
    for (int link : {IDC_ABOUT_WEB_LINK, IDC_ABOUT_PROJECT_LINK, IDC_ABOUT_EMAIL_LINK})
        SendLink(Item(link), kHyperlinkSetColour, colours.link);
    const COLORREF hot = CurrentTheme().IsDark() ? colours.dialogText : GetSysColor(COLOR_BTNTEXT);
    SendLink(Item(IDC_ABOUT_PROJECT_LINK), kHyperlinkSetHotColour, hot);
}

void MODAL_ABOUT::OnThemeChanged()
{
    ColourLinks();
}

// Web addresses in the text become links that report clicks (EN_LINK).
void MODAL_ABOUT::LoadLicenceText()
{
    HWND text = Item(IDC_ABOUT_LICENCE_TEXT);
    SendRichEditMessage(text, EM_AUTOURLDETECT, 1, 0);
    SendRichEditMessage(text, EM_SETEVENTMASK, 0, ENM_LINK | ENM_PROTECTED);
    SendRichEditMessage(text, EM_SETREADONLY, 1, 0);
    const WString licence = ReadTextFile(m_licenceFile.Text());
    if (!licence.IsEmpty()) {
        ReplaceRichEditSelection(text, licence.Text());
    }
}

void MODAL_ABOUT::Refresh()
{
    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof(memory);
    GlobalMemoryStatusEx(&memory);
    SetWindowTextA(Item(IDC_ABOUT_TOTAL_MEMORY), MemoryText(memory.ullTotalPhys).Text());
    SetWindowTextA(Item(IDC_ABOUT_AVAILABLE_MEMORY), MemoryText(memory.ullAvailPhys).Text());
    const uint64_t pageFileInUse =
        memory.ullTotalPageFile > memory.ullAvailPageFile ? memory.ullTotalPageFile - memory.ullAvailPageFile : 0;
    SetWindowTextA(Item(IDC_ABOUT_PAGEFILE), MemoryText(pageFileInUse).Text());
    SetWindowTextA(Item(IDC_ABOUT_RUN_TIME), RunTimeText(GetTickCount64()).Text());
}

void MODAL_ABOUT::PaintOwnerIcon()
{
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(Window(), &paint);
    if (m_ownerIcon) {
        const int size = ScaleToDpi(kIconSize, Dpi());
        DrawIconEx(dc, ControlRect(IDC_ABOUT_TITLE).right, ScaleToDpi(kIconTop, Dpi()), m_ownerIcon, size, size, 0,
                   nullptr, DI_NORMAL);
    }
    EndPaint(Window(), &paint);
}

// A left click on a web address in the licence text opens it; the text's
// selection and focus stay as they were.
void MODAL_ABOUT::OnLicenceLink(const NMHDR* header)
{
    if (!m_licenceVariant || !header || header->idFrom != IDC_ABOUT_LICENCE_TEXT || header->code != EN_LINK) {
        return;
    }
    const ENLINK* link = reinterpret_cast<const ENLINK*>(header);
    if (link->msg != WM_LBUTTONUP || link->chrg.cpMax <= link->chrg.cpMin) {
        return;
    }
    HWND text = Item(IDC_ABOUT_LICENCE_TEXT);
    CHARRANGE kept = {};
    SendRichEditMessage(text, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    CHARRANGE range = link->chrg;
    SendRichEditMessage(text, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    const LONG count = range.cpMax - range.cpMin;
    std::vector<wchar_t> buffer(static_cast<size_t>(count) + 1, L'\0');
    const LRESULT fetched = SendMessageW(text, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer.data()));
    if (fetched == count) {
        OpenLink(text, WString(buffer.data(), static_cast<uint32_t>(count)).Text());
    }
    SetFocus(Item(IDOK));
    SendRichEditMessage(text, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    SetFocus(text);
}

void ShowAboutDialog(const AboutOwner& owner)
{
    MODAL_ABOUT about(owner, LicenseFilePath(InstallRoot()));
    about.Show(owner.window);
}
