// The Change Key Bindings dialog driven with real key presses: what the
// capture box takes, the collision display, Assign with and without a
// collision, how the dialog ends, its popups and the empty table.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "HotkeyDialogDriver.h"
#include "hotkeys/KeyBindingsDialog.h"
#include "res/KeyBindingsDialogIds.h"

namespace {

constexpr const char kTitle[] = "Change Key Bindings";

HotkeyTable DefaultTable()
{
    HotkeyTable table;
    table.Append({"Hide Active", true, true, false, 'H', 1009});
    table.Append({"Popup Menu", true, true, false, 'M', 1010});
    return table;
}

void Select(HWND dialog, int index)
{
    HWND list = GetDlgItem(dialog, IDC_KEYS_LIST);
    SendMessageA(list, LB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_KEYS_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

TEST(KeyBindingsDialogTest, CaptureBoxShowsOnlyWhatItCaptures)
{
    HotkeyTable table = DefaultTable();
    hkdrive::KeyTracker tracker;
    const struct { std::vector<WORD> keys; const char* box; const char* collides; } steps[] = {
        {{VK_SHIFT}, "Ctrl+Shft+H", ""},
        {{VK_CONTROL}, "Ctrl+Shft+H", ""},
        {{VK_F5}, "F5", ""},
        {{VK_CONTROL, 'A'}, "Ctrl+A", ""},
        {{'Q'}, "Q", ""},                // the typed character never reaches the box
        {{VK_RETURN}, "RETURN", ""},     // captured instead of ending the dialog
        {{VK_MENU, 'X'}, "RETURN", ""},  // Alt without Ctrl: a system key, not captured
        {{VK_CONTROL, VK_MENU, VK_F1}, "Ctrl+Alt+F1", ""},
        {{VK_CONTROL, VK_SHIFT, 'H'}, "Ctrl+Shft+H", ""}, // the selected action's own
        {{VK_CONTROL, VK_SHIFT, 'M'}, "Ctrl+Shft+M", "Popup Menu"},
    };
    hkdrive::RunDriven(kTitle, [&] { return RunKeyBindingsDialog(nullptr, table, false); },
                       [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_KEYS_LIST);
        ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CURRENT), "Ctrl+Shft+H");
        // Alt and the label's access key move the focus from the list into the capture box.
        ASSERT_TRUE(hkdrive::FocusItem(dialog, IDC_KEYS_LIST));
        ASSERT_TRUE(hkdrive::KeyTracker::Press(dialog, {VK_MENU, 'T'}));
        EXPECT_TRUE(vbtest::WaitFor([&] {
            GUITHREADINFO info = {sizeof(info)};
            return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) &&
                   info.hwndFocus == GetDlgItem(dialog, IDC_KEYS_CAPTURE);
        }));
        ASSERT_TRUE(hkdrive::FocusItem(dialog, IDC_KEYS_CAPTURE));
        // What another program may set on the box changes nothing.
        vbtest::ScribbleOnWindow(GetDlgItem(dialog, IDC_KEYS_CAPTURE), 0x10);
        for (const auto& step : steps) {
            ASSERT_TRUE(hkdrive::KeyTracker::Press(dialog, step.keys)) << step.box;
            ASSERT_TRUE(IsWindowVisible(dialog)) << step.box;
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CAPTURE), step.box);
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_COLLIDES), step.collides) << step.box;
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CURRENT), "Ctrl+Shft+H");
        }
        // A new selection starts over: its own combination and the collision shown is cleared.
        Select(dialog, 1);
        EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CURRENT), "Ctrl+Shft+M");
        EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CAPTURE), "Ctrl+Shft+M");
        EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_COLLIDES), "");
    });
    EXPECT_EQ(table.Count(), 2u);
    EXPECT_TRUE(table[0].SameRecord(DefaultTable()[0])); // nothing assigned
}

// The entry chosen in the list stands for its own action, also when two actions are shown by the
// same text (a translation may name two alike): each shows and assigns its own combination.
TEST(KeyBindingsDialogTest, EachEntrySelectsItsOwnActionEvenWhenTwoAreShownAlike)
{
    HotkeyTable table;
    table.Append({"Hide Active", true, true, false, 'H', 1009});
    table.Append({"Hide Active", true, true, false, 'M', 1010});
    hkdrive::KeyTracker tracker;
    hkdrive::RunDriven(kTitle, [&] { return RunKeyBindingsDialog(nullptr, table, false); }, [&](HWND dialog) {
        for (const auto& [index, shown] : {std::pair<int, const char*>{1, "Ctrl+Shft+M"}, {0, "Ctrl+Shft+H"}}) {
            Select(dialog, index);
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CURRENT), shown) << index;
        }
        Select(dialog, 1);
        ASSERT_TRUE(hkdrive::FocusItem(dialog, IDC_KEYS_CAPTURE));
        ASSERT_TRUE(hkdrive::KeyTracker::Press(dialog, {VK_F5}));
        hkdrive::Click(dialog, IDC_KEYS_ASSIGN);
        hkdrive::Click(dialog, IDOK);
    });
    EXPECT_EQ(table[0].key, 'H');
    EXPECT_EQ(table[1].key, VK_F5);
}

TEST(KeyBindingsDialogTest, AssignEditsTheTable)
{
    const struct {
        const char* label;
        int select;
        std::vector<WORD> keys;
        const char* current;
        std::vector<HotkeyRecord> after;
    } cases[] = {
        {"swap", 0, {VK_CONTROL, VK_SHIFT, 'M'}, "Ctrl+Shft+M",
         {{"Popup Menu", true, true, false, 'H', 1010}, {"Hide Active", true, true, false, 'M', 1009}}},
        {"nothing pressed", 0, {}, "Ctrl+Shft+H",
         {{"Popup Menu", true, true, false, 'M', 1010}, {"Hide Active", true, true, false, 'H', 1009}}},
        {"free key", 1, {VK_F5}, "F5",
         {{"Hide Active", true, true, false, 'H', 1009}, {"Popup Menu", false, false, false, VK_F5, 1010}}},
        {"swap from second", 1, {VK_CONTROL, VK_SHIFT, 'H'}, "Ctrl+Shft+H",
         {{"Hide Active", true, true, false, 'M', 1009}, {"Popup Menu", true, true, false, 'H', 1010}}},
    };
    hkdrive::KeyTracker tracker;
    for (const auto& c : cases) {
        HotkeyTable table = DefaultTable();
        const bool ok = hkdrive::RunDriven(kTitle, [&] { return RunKeyBindingsDialog(nullptr, table, false); },
                                           [&](HWND dialog) {
            Select(dialog, c.select);
            ASSERT_TRUE(hkdrive::FocusItem(dialog, IDC_KEYS_CAPTURE));
            if (!c.keys.empty()) {
                ASSERT_TRUE(hkdrive::KeyTracker::Press(dialog, c.keys));
            }
            hkdrive::Click(dialog, IDC_KEYS_ASSIGN);
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CURRENT), c.current) << c.label;
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CAPTURE), c.current) << c.label;
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_COLLIDES), "") << c.label;
            hkdrive::Click(dialog, IDOK);
        });
        EXPECT_TRUE(ok) << c.label;
        ASSERT_EQ(table.Count(), c.after.size()) << c.label;
        for (size_t i = 0; i < c.after.size(); ++i) {
            EXPECT_STREQ(table[i].name.Text(), c.after[i].name.Text()) << c.label;
            EXPECT_TRUE(table[i].SameRecord(c.after[i])) << c.label << " " << i;
        }
    }
}

// Settings from before the last three actions, one of whose defaults the user's Hide Active
// had taken: that action shows "none" and takes a free key like any other, but never another
// action's combination, which would leave that action with none unnoticed.
TEST(KeyBindingsDialogTest, AnActionLeftUnassignedShowsNoneAndTakesAKey)
{
    const char* path = "Software\\Quillfen\\VeilboxTest.UnassignedBinding";
    vbtest::RegistryKeyGuard guard(path);
    guard.Clear();
    SettingsKey store(HKEY_CURRENT_USER, path);
    ASSERT_TRUE(store.WriteText(kHideActiveName, "1,1,1,72,1009"));
    HotkeyTable table;
    table.Load(store);
    const char* shown[] = {"Ctrl+Shft+Alt+H", "Ctrl+Shft+M", "Ctrl+Shft+U", "Ctrl+Shft+Alt+U", "none"};
    hkdrive::KeyTracker tracker;
    hkdrive::RunDriven(kTitle, [&] { return RunKeyBindingsDialog(nullptr, table, false); }, [&](HWND dialog) {
        for (int i = 0; i < 5; ++i) {
            Select(dialog, i);
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CURRENT), shown[i]) << i;
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CAPTURE), shown[i]) << i;
        }
        HWND assign = GetDlgItem(dialog, IDC_KEYS_ASSIGN);
        const struct { std::vector<WORD> keys; const char* collides; bool offered; const char* current; } steps[] = {
            {{VK_CONTROL, VK_SHIFT, 'M'}, "Popup Menu", false, "none"}, // held by another: refused
            {{VK_CONTROL, VK_SHIFT, 'U'}, "Restore Last", false, "none"},
            {{VK_F6}, "", true, "F6"},
        };
        ASSERT_TRUE(hkdrive::FocusItem(dialog, IDC_KEYS_CAPTURE));
        for (const auto& step : steps) {
            ASSERT_TRUE(hkdrive::KeyTracker::Press(dialog, step.keys)) << step.current;
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_COLLIDES), step.collides);
            EXPECT_EQ(IsWindowEnabled(assign) != FALSE, step.offered) << step.collides;
            // Sent as the button would, so a refusal is the dialog's and not the disabled button's.
            SendMessageA(dialog, WM_COMMAND, IDC_KEYS_ASSIGN, reinterpret_cast<LPARAM>(assign));
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CURRENT), step.current) << step.collides;
            EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_COLLIDES), step.collides);
        }
        EXPECT_TRUE(IsWindowEnabled(assign));
        Select(dialog, 1);
        EXPECT_EQ(hkdrive::ItemText(dialog, IDC_KEYS_CURRENT), "Ctrl+Shft+M") << "Popup Menu kept its own";
        hkdrive::Click(dialog, IDOK);
    });
    const HotkeyRecord* program = table.FindByName(kHideProgramName);
    ASSERT_NE(program, nullptr);
    EXPECT_TRUE(program->SameRecord({"", false, false, false, VK_F6, kHideProgramHotkeyId}));
    const HotkeyRecord* popup = table.FindByName(kPopupMenuName);
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->SameRecord({"", true, true, false, 'M', kPopupMenuHotkeyId}));
}

TEST(KeyBindingsDialogTest, OnlyOkEndsWithTrue)
{
    const struct { const char* label; void (*end)(HWND); bool result; } cases[] = {
        {"OK", [](HWND d) { hkdrive::Click(d, IDOK); }, true},
        {"Cancel", [](HWND d) { hkdrive::Click(d, IDCANCEL); }, false},
        {"Esc", [](HWND d) {
             hkdrive::FocusItem(d, IDC_KEYS_LIST);
             hkdrive::KeyTracker::Press(d, {VK_ESCAPE}, false);
         }, false},
        {"Enter in the list", [](HWND d) {
             hkdrive::FocusItem(d, IDC_KEYS_LIST);
             hkdrive::KeyTracker::Press(d, {VK_RETURN}, false);
         }, true},
    };
    hkdrive::KeyTracker tracker;
    for (const auto& c : cases) {
        HotkeyTable table = DefaultTable();
        const bool result = hkdrive::RunDriven(
            kTitle, [&] { return RunKeyBindingsDialog(nullptr, table, false); }, [&](HWND dialog) {
                c.end(dialog);
                EXPECT_TRUE(vbtest::WaitFor([&] { return !IsWindow(dialog); })) << c.label;
            });
        EXPECT_EQ(result, c.result) << c.label;
    }
}

TEST(KeyBindingsDialogTest, PopupsOnlyWhenWanted)
{
    const std::map<int, std::string> texts = {
        {IDC_KEYS_LIST, "List of key assignments"},
        {IDC_KEYS_CURRENT, "The current key assignment of the selected key"},
        {IDC_KEYS_ASSIGN, "Press this to commit the new key assignment"},
        {IDC_KEYS_CAPTURE, "Enter the hot key combinations here"},
        {IDC_KEYS_COLLIDES, "If one key combination is the same as another you will be warned here."},
    };
    for (bool wanted : {true, false}) {
        HotkeyTable table = DefaultTable();
        hkdrive::RunDriven(kTitle, [&] { return RunKeyBindingsDialog(nullptr, table, wanted); },
                           [&](HWND dialog) {
            const std::map<int, std::string> none;
            EXPECT_EQ(hkdrive::PopupTexts(dialog), wanted ? texts : none);
        });
    }
}

// The box has no caption; it is the process's dialog whose static text is the message.
HWND FindMessageBox(const char* text)
{
    struct Search { const char* text; HWND found; } search{text, nullptr};
    EnumWindows([](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char cls[16] = {}, text[128] = {};
        GetClassNameA(w, cls, sizeof cls);
        if (pid != GetCurrentProcessId() || strcmp(cls, "#32770") != 0 || !IsWindowVisible(w))
            return TRUE;
        GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
        if (strcmp(text, s->text) != 0)
            return TRUE;
        s->found = w;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(KeyBindingsDialogTest, EmptyTableSaysSoAndEnds)
{
    HotkeyTable table;
    bool sawBox = false, sawDialog = false;
    std::thread closer([&] {
        HWND box = nullptr;
        sawBox = vbtest::WaitFor([&] { return (box = FindMessageBox("No keys to edit")) != nullptr; });
        sawDialog = hkdrive::FindDialog(kTitle, nullptr, 0) != nullptr;
        if (box)
            PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    const bool result = RunKeyBindingsDialog(nullptr, table, true);
    closer.join();
    EXPECT_TRUE(sawBox);
    EXPECT_FALSE(sawDialog);
    EXPECT_FALSE(result);
    EXPECT_TRUE(table.IsEmpty());
}

} // namespace
