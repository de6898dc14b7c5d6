// Window placement kept across runs, with real dialogs: first run, stored
// rectangles fitted onto the desktop, maximised and topmost states, and which
// dialogs never store anything.
#include <gtest/gtest.h>

#include "component/TrayProbe.h"
#include "res/MainDialogIds.h"
#include "winbase/PlacementStore.h"
#include "winbase/WindowHelpers.h"

using winbase_test::ProbeDialog;
using winbase_test::TestWindow;
using winbase_test::WindowRect;

namespace {

constexpr char kKeyName[] = "VeilboxPlacementTest";
constexpr char kKeyPath[] = "Software\\Quillfen\\VeilboxPlacementTest";
constexpr char kPlacementPath[] = "Software\\Quillfen\\VeilboxPlacementTest\\MainWindow";
constexpr int32_t kAbsent = 0x7FFFFFFF;

SettingsKey PlacementKey()
{
    return SettingsKey(HKEY_CURRENT_USER, kPlacementPath);
}

int32_t Stored(const char* name)
{
    int32_t value = kAbsent;
    PlacementKey().ReadInt(name, value);
    return value;
}

RECT StoredRect()
{
    return RECT{Stored("WPLeft"), Stored("WPTop"), Stored("WPRight"), Stored("WPBottom")};
}

void Store(const RECT& rect, int32_t state, int32_t topMost = 0)
{
    SettingsKey key = PlacementKey();
    key.WriteInt("WPLeft", rect.left);
    key.WriteInt("WPTop", rect.top);
    key.WriteInt("WPRight", rect.right);
    key.WriteInt("WPBottom", rect.bottom);
    key.WriteInt("WinState", state);
    key.WriteInt("TopMost", topMost);
}

bool KeyExists(const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

::testing::AssertionResult SameRect(const RECT& got, const RECT& want)
{
    if (EqualRect(&got, &want)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got " << got.left << "," << got.top << "," << got.right << ","
                                         << got.bottom << " want " << want.left << "," << want.top << ","
                                         << want.right << "," << want.bottom;
}

// The main dialog's template has a sizing border: its stored size is used.
class PlacedDialog : public ProbeDialog {
public:
    explicit PlacedDialog(const char* keyName = kKeyName, HWND parent = nullptr)
        : ProbeDialog(IDD_MAIN, parent, keyName)
    {
    }
};

class Placement : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    vbtest::RegistryKeyGuard m_settings{kKeyPath};
};

TEST_F(Placement, FirstRunCentresTheWindowAndStoresThatAtOnce)
{
    PlacedDialog dialog;
    RECT atStart = {}, storedAtStart = {};
    int32_t stateAtStart = -1;
    dialog.script = [&](ProbeDialog& d) {
        atStart = WindowRect(d.Window());
        storedAtStart = StoredRect();
        stateAtStart = Stored("WinState");
    };
    dialog.Show();
    const SIZE desktop = winbase_test::DesktopSize();
    const RECT desktopRect = {0, 0, desktop.cx, desktop.cy};
    EXPECT_TRUE(SameRect(atStart, CenteredRect(atStart, desktopRect, desktop.cx, desktop.cy)));
    EXPECT_TRUE(SameRect(storedAtStart, atStart));
    EXPECT_EQ(stateAtStart, 2);
}

// The cases hold on any desktop of at least 500 x 400 pixels.
TEST_F(Placement, AStoredRectangleIsPutBackOnTheDesktop)
{
    const SIZE desktop = winbase_test::DesktopSize();
    const LONG w = desktop.cx;
    const LONG h = desktop.cy;
    const struct {
        const char* label;
        RECT stored;
        RECT placed;
        int32_t storedDpi;
    } cases[] = {
        {"inside", {60, 70, 460, 370}, {60, 70, 460, 370}},
        {"left of the screen", {-50, 100, 350, 400}, {0, 100, 400, 400}},
        {"above the screen", {100, -50, 500, 250}, {100, 0, 500, 300}},
        {"right of the screen", {w - 100, 50, w + 200, 350}, {w - 300, 50, w, 350}},
        {"wider than the desktop", {-10, 50, w + 200, 350}, {0, 50, w, 350}},
        {"taller than the desktop", {50, -10, 450, h + 200}, {50, 0, 450, h}},
        {"empty: the middle of the screen", {300, 300, 300, 300}, {w / 4, h / 4, w * 3 / 4, h * 3 / 4}},
        {"inverted: the middle of the screen", {400, 300, 100, 100}, {w / 4, h / 4, w * 3 / 4, h * 3 / 4}},
        {"far beyond any desktop: the middle of the screen", {-2000000000, 0, 2000000000, 300},
         {w / 4, h / 4, w * 3 / 4, h * 3 / 4}},
        {"a size its DPI would overflow: the middle of the screen", {0, 0, 1500000000, 300},
         {w / 4, h / 4, w * 3 / 4, h * 3 / 4}, 48},
    };
    for (const auto& c : cases) {
        m_settings.Clear();
        Store(c.stored, 2);
        if (c.storedDpi)
            PlacementKey().WriteInt("WinDpi", c.storedDpi);
        PlacedDialog dialog;
        RECT placed = {};
        dialog.script = [&](ProbeDialog& d) { placed = WindowRect(d.Window()); };
        dialog.Show();
        EXPECT_TRUE(SameRect(placed, c.placed)) << c.label;
        EXPECT_TRUE(SameRect(StoredRect(), c.placed)) << c.label << ": stored again at the end";
    }
}

TEST_F(Placement, StoredStateAndTopmostComeBack)
{
    const RECT normal = {40, 50, 440, 350};
    const struct {
        const char* label;
        int32_t state, topMost;
        bool zoomed, topmost;
    } cases[] = {
        {"normal", 2, 0, false, false},
        {"maximised", 0, 0, true, false},
        {"minimised opens normal", 1, 0, false, false},
        {"unknown state opens normal", 9, 0, false, false},
        {"topmost", 2, 1, false, true},
        {"maximised and topmost", 0, 1, true, true},
    };
    for (const auto& c : cases) {
        m_settings.Clear();
        Store(normal, c.state, c.topMost);
        PlacedDialog dialog;
        bool zoomed = false, topmost = false;
        RECT restoredNormal = {};
        dialog.script = [&](ProbeDialog& d) {
            zoomed = IsZoomed(d.Window()) != FALSE;
            topmost = (GetWindowLongPtrA(d.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            WINDOWPLACEMENT placement = {sizeof placement};
            GetWindowPlacement(d.Window(), &placement);
            restoredNormal = placement.rcNormalPosition;
        };
        dialog.Show();
        EXPECT_EQ(zoomed, c.zoomed) << c.label;
        EXPECT_EQ(topmost, c.topmost) << c.label;
        EXPECT_TRUE(SameRect(restoredNormal, normal)) << c.label;
        EXPECT_TRUE(SameRect(StoredRect(), normal)) << c.label;
        EXPECT_EQ(Stored("WinState"), c.zoomed ? 0 : 2) << c.label;
        EXPECT_EQ(Stored("TopMost"), c.topmost ? 1 : 0) << c.label;
    }
}

TEST_F(Placement, MaximiseSavesTheNormalRectangleAndDestroyThenOnlyTheState)
{
    PlacedDialog dialog;
    const RECT moved = {70, 60, 470, 380};
    RECT storedAtMaximise = {};
    int32_t stateAtMaximise = -1;
    dialog.script = [&](ProbeDialog& d) {
        MoveWindow(d.Window(), moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top, TRUE);
        SendMessageA(d.Window(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        storedAtMaximise = StoredRect();
        stateAtMaximise = Stored("WinState");
        EXPECT_TRUE(IsZoomed(d.Window()));
    };
    dialog.Show();
    EXPECT_TRUE(SameRect(storedAtMaximise, moved));
    EXPECT_EQ(stateAtMaximise, 2);
    EXPECT_TRUE(SameRect(StoredRect(), moved)) << "the maximised rectangle is never stored";
    EXPECT_EQ(Stored("WinState"), 0);
}

// The system keeps a top-level window within its largest tracking size, so
// child windows stand in for windows larger than the screen.
TEST_F(Placement, AWindowFarLargerThanTheScreenIsNotSaved)
{
    const RECT kept = {40, 50, 440, 350};
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    TestWindow parent("STATIC", WS_POPUP, {0, 0, 100, 100});
    const struct {
        const char* label;
        int width, height;
        bool saved;
    } cases[] = {
        {"as wide as the screen", screenWidth, 200, true},
        {"1.2 times as wide", screenWidth * 12 / 10, 200, false},
        {"1.2 times as high", 200, screenHeight * 12 / 10, false},
    };
    for (const auto& c : cases) {
        Store(kept, 2);
        TestWindow big("STATIC", WS_CHILD, {0, 0, c.width, c.height}, parent.handle);
        EXPECT_EQ(SaveWindowPlacement(SettingsKey(HKEY_CURRENT_USER, kKeyPath), "MainWindow", big.handle, 2), c.saved)
            << c.label;
        const RECT want = c.saved ? WindowRect(big.handle) : kept;
        EXPECT_TRUE(SameRect(StoredRect(), want)) << c.label;
    }
}

// Closing saves the normal rectangle first, so a window closed with its close
// box reopens where it was closed.
TEST_F(Placement, ACloseInTheNormalStateSavesTheRectangle)
{
    const RECT moved = {80, 90, 420, 330};
    SettingsKey close(SettingsKey(HKEY_CURRENT_USER, kKeyPath), "CloseToTray");
    close.WriteInt("CloseToTray", 0);
    close.WriteInt("CloseToTrayReminder", 0);
    winbase_test::TrayProbe dialog(IDD_MAIN, kKeyName);
    dialog.script = [&](ProbeDialog& d) {
        MoveWindow(d.Window(), moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top, TRUE);
        SendMessageA(d.Window(), WM_CLOSE, 0, 0);
    };
    dialog.Show();
    EXPECT_TRUE(SameRect(StoredRect(), moved));
    EXPECT_EQ(Stored("WinState"), 1);
}

TEST_F(Placement, DialogsWithoutAKeyNameOrWithAnOwnerNeverStoreIt)
{
    constexpr char kMakerPlacement[] = "Software\\Quillfen\\MainWindow";
    ASSERT_FALSE(KeyExists(kMakerPlacement));
    TestWindow owner("STATIC", WS_POPUP | WS_VISIBLE, {500, 300, 700, 420});
    const struct {
        const char* label;
        const char* keyName;
        HWND parent;
    } cases[] = {
        {"no key name", nullptr, nullptr},
        {"empty key name", "", nullptr},
        {"no key name, owned", nullptr, owner.handle},
        {"key name, owned", kKeyName, owner.handle},
    };
    for (const auto& c : cases) {
        m_settings.Clear();
        PlacedDialog dialog(c.keyName, c.parent);
        RECT atStart = {};
        dialog.script = [&](ProbeDialog& d) {
            atStart = WindowRect(d.Window());
            SendMessageA(d.Window(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
            SendMessageA(d.Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
        };
        dialog.Show();
        EXPECT_FALSE(KeyExists(kMakerPlacement)) << c.label;
        if (c.parent) {
            const SIZE desktop = winbase_test::DesktopSize();
            EXPECT_TRUE(SameRect(atStart, CenteredRect(atStart, WindowRect(owner.handle), desktop.cx, desktop.cy)))
                << c.label << ": centred over the owner";
        }
        if (c.keyName && c.parent) {
            EXPECT_EQ(Stored("WinState"), 2) << c.label << ": read, stored on the first run, never saved later";
        }
    }
}

}  // namespace
