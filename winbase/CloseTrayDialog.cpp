// The Close to Systray notice: a short text, the picture of the notification
// area with the owner's icon on it, and "Don't show me this message again".
#include "winbase/TrayDialogs.h"

#include "res/TrayDialogIds.h"
#include "winbase/ModuleInfo.h"

namespace {

// Where the picture's top-left corner lies in the dialog's client area, and
// where the owner's icon goes on the picture.
constexpr int kPictureLeft = 93;
constexpr int kPictureTop = 65;
constexpr int kIconLeft = 15;
constexpr int kIconTop = 12;

}  // namespace

CLOSE_TRAY::CLOSE_TRAY(HWND owner) : QF_MODALDIALOG(nullptr, IDD_CLOSE_TO_TRAY, owner, ModuleOfCaller()) {}

CLOSE_TRAY::~CLOSE_TRAY()
{
    ReleasePicture();
}

// The picture is composed once, in a memory context that lives as long as the
// window: the bitmap with a black frame and the icon drawn over it.
void CLOSE_TRAY::MakePicture()
{
    ReleasePicture();
    HDC windowDc = GetDC(Window());
    m_pictureDc = CreateCompatibleDC(windowDc);
    ReleaseDC(Window(), windowDc);
    m_bitmap = LoadBitmapA(reinterpret_cast<HINSTANCE>(Module()), MAKEINTRESOURCEA(IDB_TRAY_PICTURE));
    if (!m_pictureDc || !m_bitmap) {
        return;
    }
    BITMAP info = {};
    GetObjectA(m_bitmap, sizeof info, &info);
    m_bitmapSize = SIZE{info.bmWidth, info.bmHeight};
    m_priorBitmap = SelectObject(m_pictureDc, m_bitmap);
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    const RECT frame = {0, 0, m_bitmapSize.cx, m_bitmapSize.cy};
    FrameRect(m_pictureDc, &frame, black);
    DeleteObject(black);
    if (m_pictureIcon) {
        DrawIcon(m_pictureDc, kIconLeft, kIconTop, m_pictureIcon);
    }
}

void CLOSE_TRAY::ReleasePicture()
{
    if (m_pictureDc && m_priorBitmap) {
        SelectObject(m_pictureDc, m_priorBitmap);
    }
    if (m_bitmap) {
        DeleteObject(m_bitmap);
    }
    if (m_pictureDc) {
        DeleteDC(m_pictureDc);
    }
    m_pictureDc = nullptr;
    m_priorBitmap = nullptr;
    m_bitmap = nullptr;
    m_bitmapSize = SIZE{};
}

// Painted inside the WM_PAINT cycle, after the dialog's background has been
// erased, so the dialog manager never paints over the picture.
void CLOSE_TRAY::PaintPicture()
{
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(Window(), &paint);
    if (dc && m_pictureDc && m_bitmap) {
        BitBlt(dc, kPictureLeft, kPictureTop, m_bitmapSize.cx, m_bitmapSize.cy, m_pictureDc, 0, 0, SRCCOPY);
    }
    EndPaint(Window(), &paint);
}

INT_PTR CLOSE_TRAY::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        MakePicture();
        CheckDlgButton(Window(), IDC_CLOSE_TRAY_DONT_SHOW, BST_UNCHECKED);
        SetIcon(m_pictureIcon);
        return 0;
    case WM_PAINT:
        PaintPicture();
        return 0;
    case WM_COMMAND:
        if (wParam == IDOK) {
            m_showAgain = IsDlgButtonChecked(Window(), IDC_CLOSE_TRAY_DONT_SHOW) == BST_CHECKED ? 0 : 1;
            EndDialog(Window(), IDOK);
        } else if (wParam == IDCANCEL) {
            EndDialog(Window(), IDCANCEL);
        }
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return static_cast<INT_PTR>(SendMessageA(GetParent(Window()), message, wParam, lParam));
    case WM_DESTROY:
        ReleasePicture();
        return 0;
    default:
        return 0;
    }
}

void ShowTrayNotice(HWND owner, HICON icon, const SettingsKey& settings, const char* actionName)
{
    SettingsKey action(settings, actionName);
    const NString flagName = NString(actionName) + "RunReminder";
    int32_t show = 1;
    if (action.ValueExists(flagName.Text())) {
        action.ReadInt(flagName.Text(), show);
    }
    if (show == 0) {
        return;
    }
    CLOSE_TRAY notice(owner);
    notice.SetPictureIcon(icon);
    if (notice.Show(owner) == IDOK) {
        action.WriteInt(flagName.Text(), notice.ShowAgain() ? 1 : 0);
    }
}
