// The Close to Systray notice: a short text, the picture of the notification
// area with the owner's icon on it, and "Don't show me this message again".
#include "winbase/TrayDialogs.h"

#include "res/TrayDialogIds.h"
#include "winbase/Dpi.h"
#include "winbase/ModuleInfo.h"

namespace {

// The picture's top-left corner in the client area, its size and where the
// owner's icon goes on it, in pixels at 96 DPI (as many more as the DPI is
// higher).
constexpr int kPictureLeft = 93;
constexpr int kPictureTop = 65;
constexpr int kPictureWidth = 86;
constexpr int kPictureHeight = 56;
constexpr int kIconLeft = 15;
constexpr int kIconTop = 12;
constexpr int kIconSize = 32;

// The picture drawn for each DPI, largest first.
struct PictureSource {
    UINT dpi;
    int id;
};
constexpr PictureSource kPictures[] = {
    {192, IDB_TRAY_PICTURE_192}, {144, IDB_TRAY_PICTURE_144}, {kBaseDpi, IDB_TRAY_PICTURE}};

// The smallest picture drawn for at least dpi (the largest one above 192 DPI):
// scaling down keeps it sharper than scaling up.
int PictureFor(UINT dpi)
{
    int id = kPictures[0].id;
    for (const PictureSource& source : kPictures) {
        if (source.dpi >= dpi) {
            id = source.id;
        }
    }
    return id;
}

// Copies the bitmap onto dc at size, scaled smoothly when it has another size.
void DrawScaled(HDC dc, HBITMAP bitmap, SIZE size)
{
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    const OwnedMemoryDc source(CreateCompatibleDC(dc));
    if (!source) {
        return;
    }
    const SelectedObject selected(source.get(), bitmap);
    if (info.bmWidth == size.cx && info.bmHeight == size.cy) {
        BitBlt(dc, 0, 0, size.cx, size.cy, source.get(), 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, 0, 0, size.cx, size.cy, source.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    }
}

}  // namespace

CLOSE_TRAY::CLOSE_TRAY(HWND owner) : QF_MODALDIALOG(nullptr, IDD_CLOSE_TO_TRAY, owner, ModuleOfCaller()) {}

CLOSE_TRAY::~CLOSE_TRAY()
{
    ReleasePicture();
}

// The picture is composed for the dialog's DPI, in a memory context that lives
// as long as the window (or until the DPI changes): the drawing for that DPI
// with a black frame and the icon drawn over it.
void CLOSE_TRAY::MakePicture()
{
    ReleasePicture();
    const UINT dpi = Dpi();
    const OwnedBitmap drawing(
        LoadBitmapA(reinterpret_cast<HINSTANCE>(Module()), MAKEINTRESOURCEA(PictureFor(dpi))));
    {
        const WindowDc windowDc(Window());
        m_bitmapSize = SIZE{ScaleToDpi(kPictureWidth, dpi), ScaleToDpi(kPictureHeight, dpi)};
        m_pictureDc.reset(CreateCompatibleDC(windowDc.get()));
        m_bitmap.reset(CreateCompatibleBitmap(windowDc.get(), m_bitmapSize.cx, m_bitmapSize.cy));
    }
    if (!m_pictureDc || !m_bitmap || !drawing) {
        ReleasePicture();
        return;
    }
    m_priorBitmap = SelectObject(m_pictureDc.get(), m_bitmap.get());
    DrawScaled(m_pictureDc.get(), drawing.get(), m_bitmapSize);
    const OwnedBrush black(CreateSolidBrush(RGB(0, 0, 0)));
    const RECT frame = {0, 0, m_bitmapSize.cx, m_bitmapSize.cy};
    FrameRect(m_pictureDc.get(), &frame, black.get());
    if (m_pictureIcon) {
        const int iconSize = ScaleToDpi(kIconSize, dpi);
        DrawIconEx(m_pictureDc.get(), ScaleToDpi(kIconLeft, dpi), ScaleToDpi(kIconTop, dpi), m_pictureIcon, iconSize,
                   iconSize, 0, nullptr, DI_NORMAL);
    }
}

void CLOSE_TRAY::ReleasePicture()
{
    if (m_pictureDc && m_priorBitmap) {
        SelectObject(m_pictureDc.get(), m_priorBitmap);
    }
    m_priorBitmap = nullptr;
    m_bitmap.reset();
    m_pictureDc.reset();
    m_bitmapSize = SIZE{};
}

// Painted inside the WM_PAINT cycle, after the dialog's background has been
// erased, so the dialog manager never paints over the picture. Its corner is
// a fixed place scaled to the DPI, not one derived from the controls, whose
// places follow the metrics of the template's font.
void CLOSE_TRAY::PaintPicture()
{
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(Window(), &paint);
    if (dc && m_pictureDc && m_bitmap) {
        BitBlt(dc, ScaleToDpi(kPictureLeft, Dpi()), ScaleToDpi(kPictureTop, Dpi()), m_bitmapSize.cx,
               m_bitmapSize.cy, m_pictureDc.get(), 0, 0, SRCCOPY);
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

void CLOSE_TRAY::OnDpiChanged(UINT, UINT)
{
    MakePicture();
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
