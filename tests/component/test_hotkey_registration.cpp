// Registration of the hotkey table with the system: the UseHotkey switch and
// the conflict question when another window already holds a combination.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "hotkeys/HotkeyTable.h"
#include "support/TestSupport.h"

namespace {

HWND MakeWindow()
{
    return CreateWindowExA(0, "STATIC", "hotkey test", WS_POPUP, 0, 0, 10, 10, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

// True when nobody holds the combination: a probe window can take it (and gives it back).
bool IsFree(const HotkeyRecord& record)
{
    HWND probe = MakeWindow();
    HotkeyRecord copy = record;
    const bool free = copy.Register(probe);
    if (free)
        UnregisterHotKey(probe, static_cast<int>(copy.id));
    DestroyWindow(probe);
    return free;
}

// Another thread whose window holds some combinations until the object goes.
class ForeignHolder {
public:
    explicit ForeignHolder(std::vector<HotkeyRecord> records)
    {
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, records, ready]() mutable {
            HWND window = MakeWindow();
            for (HotkeyRecord& r : records)
                m_held += r.Register(window) ? 1 : 0;
            SetEvent(ready);
            while (MsgWaitForMultipleObjects(1, &m_stop, FALSE, INFINITE, QS_ALLINPUT) !=
                   WAIT_OBJECT_0) {
                MSG msg;
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageA(&msg);
            }
            DestroyWindow(window);
        });
        WaitForSingleObject(ready, 10000);
        CloseHandle(ready);
    }
    ~ForeignHolder()
    {
        SetEvent(m_stop);
        m_thread.join();
        CloseHandle(m_stop);
    }
    int Held() const { return m_held; }

private:
    HANDLE m_stop = nullptr;
    std::thread m_thread;
    int m_held = 0;
};

// Records the questions asked and answers them from a script (then No).
struct ScriptedAsker {
    std::vector<int> answers;
    std::vector<std::string> asked;

    HotkeyConflictAsker Fn()
    {
        return [this](const char* text) {
            asked.emplace_back(text);
            const std::size_t i = asked.size() - 1;
            return i < answers.size() ? answers[i] : IDNO;
        };
    }
};

std::string ConflictText(const char* combo, const char* name)
{
    return std::string("The hotkey ") + combo + " for " + name +
           "\nis already in use by another application\nand will only work for the application\n"
           "that registered it for on this desktop.\n\nWould you like to stop key registration?";
}

class HotkeyRegistrationTest : public ::testing::Test {
protected:
    HotkeyRegistrationTest()
        : m_guard(kPath), m_store(HKEY_CURRENT_USER, kPath), m_window(MakeWindow())
    {
        m_guard.Clear();
    }
    ~HotkeyRegistrationTest() override
    {
        m_table.UnregisterAll(m_store, m_window);
        DestroyWindow(m_window);
    }

    static HotkeyRecord Hide() { return {kHideActiveName, true, true, false, 'H', 1009}; }
    static HotkeyRecord Popup() { return {kPopupMenuName, true, true, false, 'M', 1010}; }

    static constexpr const char* kPath = "Software\\Quillfen\\VeilboxTest.Registration";
    vbtest::RegistryKeyGuard m_guard;
    SettingsKey m_store;
    HWND m_window;
    HotkeyTable m_table;
    ScriptedAsker m_asker;
};

TEST_F(HotkeyRegistrationTest, DefaultsAreRegisteredAndReleased)
{
    m_table.Build(m_store, m_window, m_asker.Fn());
    ASSERT_EQ(m_table.Count(), 5u);
    for (const HotkeyRecord& record : m_table)
        EXPECT_TRUE(record.registered) << record.name.Text();
    EXPECT_FALSE(IsFree(Hide()));
    EXPECT_FALSE(IsFree(Popup()));
    EXPECT_TRUE(m_asker.asked.empty());

    m_table.UnregisterAll(m_store, m_window);
    EXPECT_FALSE(m_table[0].registered);
    EXPECT_FALSE(m_table[1].registered);
    EXPECT_TRUE(IsFree(Hide()));
    EXPECT_TRUE(IsFree(Popup()));
}

TEST_F(HotkeyRegistrationTest, RebuildingARegisteredTableAsksNothing)
{
    m_table.Build(m_store, m_window, m_asker.Fn());
    m_table.Build(m_store, m_window, m_asker.Fn());
    EXPECT_TRUE(m_asker.asked.empty());
    EXPECT_TRUE(m_table[0].registered);
    EXPECT_TRUE(m_table[1].registered);
    m_table.UnregisterAll(m_store, m_window);
    EXPECT_TRUE(IsFree(Hide()));
    EXPECT_TRUE(IsFree(Popup()));
}

TEST_F(HotkeyRegistrationTest, UseHotkeyZeroRegistersNothing)
{
    ASSERT_TRUE(m_store.WriteInt(kUseHotkeyValue, 0));
    m_table.Build(m_store, m_window, m_asker.Fn());
    EXPECT_FALSE(m_table[0].registered);
    EXPECT_FALSE(m_table[1].registered);
    EXPECT_TRUE(IsFree(Hide()));
    EXPECT_TRUE(IsFree(Popup()));
    EXPECT_TRUE(m_asker.asked.empty());
}

TEST_F(HotkeyRegistrationTest, ConflictsAskWhereAndWhenExpected)
{
    const std::string restoreLast = ConflictText("Ctrl+Shft+U", "Restore Last");
    const std::string restoreAll = ConflictText("Ctrl+Alt+Shft+U", "Restore All");
    const struct {
        const char* label;
        bool holdHide, holdPopup, holdOthers;
        int answer;
        std::vector<std::string> asked;
        bool hideRegistered, popupRegistered;
    } cases[] = {
        {"hide held, No", true, false, false, IDNO,
         {ConflictText("Ctrl+Shft+H", "Hide Active")}, false, true},
        {"hide held, Yes", true, false, false, IDYES,
         {ConflictText("Ctrl+Shft+H", "Hide Active")}, false, false},
        {"popup held", false, true, false, IDYES,
         {ConflictText("Ctrl+Shft+M", "Popup Menu")}, true, false},
        {"both held, No", true, true, false, IDNO,
         {ConflictText("Ctrl+Shft+H", "Hide Active"), ConflictText("Ctrl+Shft+M", "Popup Menu")}, false, false},
        // The last record failing as well ends registration without a question.
        {"all held, No", true, true, true, IDNO,
         {ConflictText("Ctrl+Shft+H", "Hide Active"), ConflictText("Ctrl+Shft+M", "Popup Menu"), restoreLast,
          restoreAll}, false, false},
    };
    for (const auto& c : cases) {
        std::vector<HotkeyRecord> held;
        if (c.holdHide)
            held.push_back(Hide());
        if (c.holdPopup)
            held.push_back(Popup());
        if (c.holdOthers) {
            held.push_back({kRestoreLastName, true, true, false, 'U', kRestoreLastHotkeyId});
            held.push_back({kRestoreAllName, true, true, true, 'U', kRestoreAllHotkeyId});
            held.push_back({kHideProgramName, true, true, true, 'H', kHideProgramHotkeyId});
        }
        ForeignHolder holder(held);
        ASSERT_EQ(holder.Held(), static_cast<int>(held.size())) << c.label;

        ScriptedAsker asker{{c.answer}, {}};
        m_table.Build(m_store, m_window, asker.Fn());
        EXPECT_EQ(asker.asked, c.asked) << c.label;
        EXPECT_EQ(m_table[0].registered, c.hideRegistered) << c.label;
        EXPECT_EQ(m_table[1].registered, c.popupRegistered) << c.label;
        m_table.UnregisterAll(m_store, m_window);
    }
}

// Settings of the version before the last three actions, with the user's own bindings on
// their defaults: nothing is asked, every action but the one left unassigned is registered, and
// the user's combination belongs to the user's action.
TEST_F(HotkeyRegistrationTest, OldBindingsOnNewDefaultsRegisterWithoutAQuestion)
{
    const struct {
        const char* label;
        const char* hideActive;
        const char* unassigned;
        HotkeyRecord taken;
        const char* restoreLast; // also stored when not null
    } cases[] = {
        {"Ctrl+Shift+U", "1,1,0,85,1009", kRestoreLastName, {"probe", true, true, false, 'U', 1}, nullptr},
        {"Ctrl+Alt+Shift+U", "1,1,1,85,1009", kRestoreAllName, {"probe", true, true, true, 'U', 1}, nullptr},
        {"Ctrl+Alt+Shift+H", "1,1,1,72,1009", kHideProgramName, {"probe", true, true, true, 'H', 1}, nullptr},
        {"no collision", "0,1,1,112,1009", "", {"probe", false, true, true, VK_F1, 1}, nullptr},
        // OK in the Hot Key dialog of the version that gave the default anyway stored it.
        {"Ctrl+Shift+U, Restore Last's default stored", "1,1,0,85,1009", kRestoreLastName,
         {"probe", true, true, false, 'U', 1}, "1,1,0,85,1013"},
        {"Restore Last stored as none", "1,1,0,72,1009", kRestoreLastName,
         {"probe", true, true, false, 'H', 1}, "0,0,0,0,1013"},
    };
    for (const auto& c : cases) {
        m_guard.Clear();
        ASSERT_TRUE(m_store.WriteText(kHideActiveName, c.hideActive));
        ASSERT_TRUE(m_store.WriteText(kPopupMenuName, "1,1,0,77,1010"));
        if (c.restoreLast) {
            ASSERT_TRUE(m_store.WriteText(kRestoreLastName, c.restoreLast));
        }
        ScriptedAsker asker{{IDYES}, {}};
        m_table.Build(m_store, m_window, asker.Fn());
        EXPECT_TRUE(asker.asked.empty()) << c.label << ": " << (asker.asked.empty() ? "" : asker.asked[0]);
        ASSERT_EQ(m_table.Count(), 5u);
        for (const HotkeyRecord& record : m_table)
            EXPECT_EQ(record.registered, !record.name.Equals(c.unassigned)) << c.label << " " << record.name.Text();
        EXPECT_FALSE(IsFree(c.taken)) << c.label;
        m_table.UnregisterAll(m_store, m_window);
        EXPECT_TRUE(IsFree(c.taken)) << c.label;
    }
}

TEST_F(HotkeyRegistrationTest, StoredCombinationIsRegisteredWithItsModifiers)
{
    ASSERT_TRUE(m_store.WriteText(kHideActiveName, "0,1,1,112,1009"));
    m_table.Build(m_store, m_window, m_asker.Fn());
    ASSERT_TRUE(m_table[0].registered);
    EXPECT_FALSE(IsFree({"probe", false, true, true, VK_F1, 1}));
    EXPECT_TRUE(IsFree(Hide()));
}

} // namespace
