// The Hot Key options dialog: check boxes from the store, what OK and Cancel
// write, its help popups, the way to the key bindings editor and to the User
// Interface options, and the main dialog's Options flow around it.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "HotkeyDialogDriver.h"
#include "hotkeys/HotkeyDialog.h"
#include "hotkeys/HotkeyOptions.h"
#include "hotkeys/KeyBindingsDialog.h"
#include "res/HotkeyDialogIds.h"
#include "res/KeyBindingsDialogIds.h"
#include "winbase/Dpi.h"

namespace {

constexpr const char kTitle[] = "Hot Key";
const std::string kUseHotkeysHelp =
    "Enable the use of desktop wide hotkeys. This is handy for controling behavior of windows and "
    "documents from the keyboard so you are not constantly moving your hand from keyboard to mouse "
    "and back again.";
const std::string kLaterLines = "\nRestore Last Ctrl+Shft+U\nRestore All Ctrl+Alt+Shft+U\nHide Program Ctrl+Alt+Shft+H";
const std::string kDefaultLines = "\nCurrent hotkeys are\nHide Active Ctrl+Shft+H\nPopup Menu Ctrl+Shft+M" + kLaterLines;

std::map<int, std::string> ExpectedPopups(const std::string& useHotkeys)
{
    return {{IDC_HOTKEY_USE_HOTKEYS, useHotkeys},
            {IDC_HOTKEY_USE_HELP_POPUPS, "Turn off these help popups"},
            {IDC_HOTKEY_CHANGE_KEYS, "Edit the hotkeys used by the Veilbox"},
            {IDC_HOTKEY_OK, "Close with saving changes"},
            {IDC_HOTKEY_CANCEL, "Close without saving changes"}};
}

bool Ticked(HWND dialog, int id)
{
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsFree(bool ctrl, bool shift, UINT key)
{
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const UINT modifiers = (ctrl ? MOD_CONTROL : 0) | (shift ? MOD_SHIFT : 0);
    const bool free = RegisterHotKey(probe, 1, modifiers, key) != FALSE;
    DestroyWindow(probe);
    return free;
}

class HotkeyDialogTest : public ::testing::Test {
protected:
    HotkeyDialogTest() : m_store(HKEY_CURRENT_USER, kProgramKeyPath)
    {
        m_guard.Clear();
        m_table.Load(m_store);
    }

    std::string Text(const char* name)
    {
        NString text("<absent>");
        m_store.ReadText(name, text);
        return text.Text();
    }
    int32_t Int(const char* name)
    {
        int32_t value = -1;
        m_store.ReadInt(name, value);
        return value;
    }
    INT_PTR RunDialog(const std::function<void(HWND)>& script)
    {
        HOTKEY dialog(nullptr, GetModuleHandleA(nullptr), m_table, m_store);
        dialog.SetUserInterfaceOpener(m_opener);
        return hkdrive::RunDriven(kTitle, [&] { return dialog.Show(); }, script);
    }

    vbtest::RegistryKeyGuard m_guard;
    SettingsKey m_store;
    HotkeyTable m_table;
    std::function<void(HWND)> m_opener;
};

TEST_F(HotkeyDialogTest, OpensFromTheStoreAndCancelWritesNothing)
{
    const struct {
        int32_t useHotkey, useHelpPopups; // -1: absent
        bool hotkeysTicked, popupsTicked;
        std::map<int, std::string> popups;
    } cases[] = {
        {-1, -1, true, true, ExpectedPopups(kUseHotkeysHelp + kDefaultLines)},
        {0, 1, false, true, ExpectedPopups(kUseHotkeysHelp)},
        {1, 0, true, false, {}},
    };
    for (const auto& c : cases) {
        m_guard.Clear();
        if (c.useHotkey >= 0)
            m_store.WriteInt(kUseHotkeyValue, c.useHotkey);
        if (c.useHelpPopups >= 0)
            m_store.WriteInt(kUseHelpPopupsValue, c.useHelpPopups);
        const INT_PTR result = RunDialog([&](HWND dialog) {
            EXPECT_EQ(Ticked(dialog, IDC_HOTKEY_USE_HOTKEYS), c.hotkeysTicked);
            EXPECT_EQ(Ticked(dialog, IDC_HOTKEY_USE_HELP_POPUPS), c.popupsTicked);
            EXPECT_EQ(hkdrive::PopupTexts(dialog), c.popups) << c.useHotkey << c.useHelpPopups;
            hkdrive::Click(dialog, IDC_HOTKEY_USE_HOTKEYS);
            hkdrive::Click(dialog, IDC_HOTKEY_USE_HELP_POPUPS);
            hkdrive::Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(Int(kUseHotkeyValue), c.useHotkey);
        EXPECT_EQ(Int(kUseHelpPopupsValue), c.useHelpPopups);
        EXPECT_EQ(Text(kHideActiveName), "<absent>");
        EXPECT_EQ(Text(kPopupMenuName), "<absent>");
    }
}

TEST_F(HotkeyDialogTest, PopupsComeAndGoWithTheirCheckBox)
{
    RunDialog([&](HWND dialog) {
        EXPECT_EQ(hkdrive::PopupTexts(dialog).size(), 5u);
        hkdrive::Click(dialog, IDC_HOTKEY_USE_HELP_POPUPS);
        EXPECT_TRUE(hkdrive::PopupTexts(dialog).empty());
        // Unticking "Use Hot Keys" alone leaves the text as it was set up ...
        hkdrive::Click(dialog, IDC_HOTKEY_USE_HOTKEYS);
        hkdrive::Click(dialog, IDC_HOTKEY_USE_HELP_POPUPS);
        // ... but popups set up again follow it.
        EXPECT_EQ(hkdrive::PopupTexts(dialog), ExpectedPopups(kUseHotkeysHelp));
    });
}

// A move to a monitor with twice the DPI and back: the popups of both hotkey dialogs wrap at
// twice the width in a font twice the height, and back; popups made again while the dialog is
// on that monitor are made for it.
TEST_F(HotkeyDialogTest, PopupsOfBothDialogsFollowADpiChange)
{
    const struct {
        const char* title;
        std::function<INT_PTR(const std::function<void(HWND)>&)> run;
        int remakePopups; // a check box that switches the popups off and on, or 0
    } dialogs[] = {
        {kTitle, [&](const std::function<void(HWND)>& script) { return RunDialog(script); },
         IDC_HOTKEY_USE_HELP_POPUPS},
        {"Change Key Bindings", [&](const std::function<void(HWND)>& script) {
             return hkdrive::RunDriven("Change Key Bindings",
                                       [&] { return RunKeyBindingsDialog(nullptr, m_table, true) ? 1 : 0; }, script);
         }, 0},
    };
    for (const auto& d : dialogs) {
        std::pair<LRESULT, LONG> start, doubled, remade, back;
        d.run([&](HWND dialog) {
            const UINT dpi = WindowDpi(dialog);
            start = hkdrive::PopupSizes(dialog);
            SendMessageA(dialog, WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi), 0);
            doubled = hkdrive::PopupSizes(dialog);
            if (d.remakePopups) {
                hkdrive::Click(dialog, d.remakePopups);
                hkdrive::Click(dialog, d.remakePopups);
            }
            remade = hkdrive::PopupSizes(dialog);
            SendMessageA(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0);
            back = hkdrive::PopupSizes(dialog);
        });
        EXPECT_EQ(start.first, ScaleToDpi(350, WindowDpi(nullptr))) << d.title;
        EXPECT_GT(start.second, 0) << d.title;
        EXPECT_EQ(doubled.first, 2 * start.first) << d.title;
        EXPECT_NEAR(doubled.second, 2 * start.second, 1) << d.title;
        EXPECT_EQ(remade, doubled) << d.title;
        EXPECT_EQ(back, start) << d.title;
    }
}

TEST_F(HotkeyDialogTest, OkWritesSwitchesAndEveryRecord)
{
    const struct { bool untickHotkeys, untickPopups; int32_t useHotkey, useHelpPopups; } cases[] = {
        {false, false, 1, 1}, {true, false, 0, 1}, {false, true, 1, 0}, {true, true, 0, 0}};
    for (const auto& c : cases) {
        m_guard.Clear();
        const INT_PTR result = RunDialog([&](HWND dialog) {
            if (c.untickHotkeys)
                hkdrive::Click(dialog, IDC_HOTKEY_USE_HOTKEYS);
            if (c.untickPopups)
                hkdrive::Click(dialog, IDC_HOTKEY_USE_HELP_POPUPS);
            hkdrive::Click(dialog, IDOK);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(Int(kUseHotkeyValue), c.useHotkey);
        EXPECT_EQ(Int(kUseHelpPopupsValue), c.useHelpPopups);
        EXPECT_EQ(Text(kHideActiveName), "1,1,0,72,1009");
        EXPECT_EQ(Text(kPopupMenuName), "1,1,0,77,1010");
    }
}

TEST_F(HotkeyDialogTest, ChangeKeysEditsTheTableWithPopupsAsHere)
{
    hkdrive::KeyTracker tracker;
    for (bool popups : {true, false}) {
        m_guard.Clear();
        m_store.WriteInt(kUseHelpPopupsValue, popups ? 1 : 0);
        m_table.Load(m_store);
        RunDialog([&](HWND dialog) {
            PostMessageA(dialog, WM_COMMAND, IDC_HOTKEY_CHANGE_KEYS, 0);
            HWND keys = hkdrive::FindDialog("Change Key Bindings", dialog);
            ASSERT_NE(keys, nullptr);
            EXPECT_EQ(hkdrive::PopupTexts(keys).size(), popups ? 5u : 0u);
            EXPECT_TRUE(hkdrive::PopupTexts(dialog).empty());
            ASSERT_TRUE(hkdrive::FocusItem(keys, IDC_KEYS_CAPTURE));
            ASSERT_TRUE(hkdrive::KeyTracker::Press(keys, {VK_CONTROL, VK_SHIFT, 'M'}));
            hkdrive::Click(keys, IDC_KEYS_ASSIGN);
            hkdrive::Click(keys, IDOK);
            ASSERT_TRUE(vbtest::WaitFor([&] { return !IsWindow(keys); }));
            // The two exchanged records moved to the end.
            const std::string lines =
                "\nCurrent hotkeys are" + kLaterLines + "\nPopup Menu Ctrl+Shft+H\nHide Active Ctrl+Shft+M";
            const std::map<int, std::string> none;
            EXPECT_TRUE(hkdrive::WaitPopupTexts(
                dialog, popups ? ExpectedPopups(kUseHotkeysHelp + lines) : none));
            hkdrive::Click(dialog, IDOK);
        });
        EXPECT_EQ(Text(kHideActiveName), "1,1,0,77,1009");
        EXPECT_EQ(Text(kPopupMenuName), "1,1,0,72,1010");
    }
}

TEST_F(HotkeyDialogTest, ApplicationInterfaceOpensOverThisDialog)
{
    HWND owner = nullptr;
    m_opener = [&](HWND window) { owner = window; };
    HWND shown = nullptr;
    RunDialog([&](HWND dialog) {
        shown = dialog;
        PostMessageA(dialog, WM_COMMAND, IDC_HOTKEY_APP_INTERFACE, 0);
        EXPECT_TRUE(vbtest::WaitFor([&] { return owner != nullptr; }));
    });
    EXPECT_EQ(owner, shown);
}

// The main dialog as far as the Options flow sees it: a window with the program's settings.
class OptionsHost : public QF_MODALDIALOG {
public:
    OptionsHost() : QF_MODALDIALOG("Veilbox", IDD_KEY_BINDINGS, nullptr, GetModuleHandleA(nullptr))
    {
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KEY_BINDINGS), nullptr,
                           &QF_WINBASE::DialogProc, reinterpret_cast<LPARAM>(static_cast<QF_WINBASE*>(this)));
    }
    ~OptionsHost() override { DestroyWindow(Window()); }
    INT_PTR OnMessage(UINT, WPARAM, LPARAM) override { return FALSE; }
};

TEST_F(HotkeyDialogTest, OptionsFlowRebuildsFromTheStoreWhateverTheResult)
{
    const struct { const char* label; bool ok; bool registered; const char* hide; } cases[] = {
        {"Cancel after changing keys", false, true, "<absent>"},
        {"OK without hotkeys", true, false, "1,1,0,77,1009"},
    };
    hkdrive::KeyTracker tracker;
    for (const auto& c : cases) {
        m_guard.Clear();
        OptionsHost host;
        ASSERT_NE(host.Window(), nullptr);
        m_table.Build(m_store, host.Window(), nullptr);
        ASSERT_TRUE(m_table[0].registered && m_table[1].registered);
        std::unique_ptr<HelpPopup> popups = HelpPopup::Create(nullptr, host.Window(), 300);
        int setUps = 0;
        bool popupsGoneAtSetUp = false;
        hkdrive::RunDriven(kTitle, [&] {
            RunHotkeyOptions(host, m_table, popups, [&] { ++setUps; popupsGoneAtSetUp = !popups; },
                             nullptr);
            return 0;
        }, [&](HWND dialog) {
            EXPECT_TRUE(IsFree(true, true, 'H')) << c.label; // released while the dialog is open
            PostMessageA(dialog, WM_COMMAND, IDC_HOTKEY_CHANGE_KEYS, 0);
            HWND keys = hkdrive::FindDialog("Change Key Bindings", dialog);
            ASSERT_NE(keys, nullptr);
            ASSERT_TRUE(hkdrive::FocusItem(keys, IDC_KEYS_CAPTURE));
            ASSERT_TRUE(hkdrive::KeyTracker::Press(keys, {VK_CONTROL, VK_SHIFT, 'M'}));
            hkdrive::Click(keys, IDC_KEYS_ASSIGN);
            hkdrive::Click(keys, IDOK);
            ASSERT_TRUE(vbtest::WaitFor([&] { return !IsWindow(keys); }));
            if (c.ok)
                hkdrive::Click(dialog, IDC_HOTKEY_USE_HOTKEYS);
            hkdrive::Click(dialog, c.ok ? IDOK : IDCANCEL);
        });
        EXPECT_EQ(setUps, 1) << c.label;
        EXPECT_TRUE(popupsGoneAtSetUp) << c.label;
        EXPECT_EQ(Text(kHideActiveName), c.hide) << c.label;
        ASSERT_EQ(m_table.Count(), 5u);
        EXPECT_STREQ(m_table[0].name.Text(), kHideActiveName) << c.label;
        EXPECT_EQ(m_table[0].registered, c.registered) << c.label;
        EXPECT_EQ(m_table[1].registered, c.registered) << c.label;
        EXPECT_EQ(IsFree(true, true, 'H'), !c.registered) << c.label;
        EXPECT_EQ(IsFree(true, true, 'M'), !c.registered) << c.label;
        m_table.UnregisterAll(m_store, host.Window());
    }
}

TEST_F(HotkeyDialogTest, MainOptionsPopupListsHotkeysOnlyWhenUsed)
{
    const std::string first =
        "Change the hotkeys used for controling documents or disable these help popups.";
    EXPECT_EQ(MainOptionsPopupText(m_store, m_table).Text(), first + kDefaultLines);
    m_store.WriteInt(kUseHotkeyValue, 0);
    EXPECT_EQ(MainOptionsPopupText(m_store, m_table).Text(), first);
}

} // namespace
