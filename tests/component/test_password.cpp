// The password asked before a dialog comes back from the tray, answered in
// the Enter Password dialog as a user answers it.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "component/DialogAnswerer.h"
#include "component/TrayProbe.h"
#include "res/PasswordDialogIds.h"
#include "support/TargetWindows.h"
#include "support/VeilboxApp.h"
#include "winbase/PasswordDialog.h"

using winbase_test::DialogAnswerer;
using winbase_test::ProbeDialog;
using winbase_test::TrayProbe;

namespace {

constexpr char kTitle[] = "Enter Password";
constexpr const char* kCancel = nullptr;

void StorePassword(int32_t use, const char* password)
{
    SettingsKey key = winbase_test::TestKey("Password");
    if (use >= 0) {
        key.WriteInt("UseSystrayPassword", use);
    }
    if (password) {
        key.WriteText("Password", password);
    }
}

// Types text (nullptr: presses Cancel) into the password dialog.
void Answer(HWND dialog, const char* text)
{
    if (!text) {
        DialogAnswerer::Click(dialog, IDC_PASSWORD_CANCEL);
        return;
    }
    DialogAnswerer::Type(dialog, IDC_PASSWORD_EDIT, text);
    DialogAnswerer::Click(dialog, IDC_PASSWORD_OK);
}

int OwnWindowsTitled(const char* title)
{
    struct Count {
        const char* title;
        int n;
    } count = {title, 0};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto* c = reinterpret_cast<Count*>(param);
            char text[128] = {};
            GetWindowTextA(window, text, sizeof text);
            c->n += strcmp(text, c->title) == 0 ? 1 : 0;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.n;
}

class Password : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    vbtest::RegistryKeyGuard m_settings{winbase_test::kTrayTestKeyPath};
};

TEST_F(Password, ARestoreShowsTheWindowOnlyForTheExactStoredPassword)
{
    const int32_t kAbsent = -1;
    const struct {
        const char* label;
        int32_t use;           // kAbsent: no value
        const char* stored;    // nullptr: no value
        bool asked;
        const char* typed;     // nullptr: Cancel
        bool restored;
    } cases[] = {
        {"switched off", 0, "Secret", false, kCancel, true},
        {"switch missing", kAbsent, "Secret", false, kCancel, true},
        {"right password", 1, "Secret", true, "Secret", true},
        {"any value but 0 switches it on", 7, "Secret", true, "Secret", true},
        {"wrong password", 1, "Secret", true, "Guess", false},
        {"only the case differs", 1, "Secret", true, "secret", false},
        {"a longer text that starts with it", 1, "Secret", true, "Secret1", false},
        {"empty entry counts as Cancel", 1, "Secret", true, "", false},
        {"Cancel", 1, "Secret", true, kCancel, false},
        {"non-ASCII password", 1, "P\xC3\xA4ss", true, "P\xC3\xA4ss", true},
        {"empty stored password refuses every entry", 1, "", true, "x", false},
        {"missing stored password refuses every entry", 1, nullptr, true, "x", false},
    };
    for (const auto& c : cases) {
        m_settings.Clear();
        StorePassword(c.use, c.stored);
        TrayProbe dialog;
        bool restored = false, iconKept = false;
        DialogAnswerer answerer(c.asked ? 8000 : 1000);
        answerer.Then(kTitle, [&](HWND window) { Answer(window, c.typed); });
        dialog.script = [&](ProbeDialog& d) {
            ShowWindow(d.Window(), SW_HIDE);
            static_cast<TrayProbe&>(d).TrayClick(WM_LBUTTONUP);
            restored = IsWindowVisible(d.Window()) != FALSE;
            iconKept = winbase_test::TrayIconExists(d.Window());
        };
        dialog.Show();
        EXPECT_EQ(answerer.Answered(), c.asked ? 1u : 0u) << c.label;
        EXPECT_EQ(restored, c.restored) << c.label;
        EXPECT_TRUE(iconKept) << c.label;
    }
}

// Without QF_TRAYDIALOG's prompt nobody can type the password: a stored one keeps the window in
// the tray, and none is asked for.
TEST_F(Password, TheBareBaseRefusesAStoredPasswordWithoutAsking)
{
    const struct {
        const char* label;
        int32_t use;
        bool restored;
    } cases[] = {
        {"password on", 1, false},
        {"password off", 0, true},
    };
    for (const auto& c : cases) {
        m_settings.Clear();
        StorePassword(c.use, "Secret");
        TrayProbe dialog;
        dialog.basePrompts = true;
        bool restored = !c.restored;
        DialogAnswerer answerer(1000);
        answerer.Then(kTitle, [](HWND window) { Answer(window, "Secret"); });
        dialog.script = [&](ProbeDialog& d) {
            ShowWindow(d.Window(), SW_HIDE);
            static_cast<TrayProbe&>(d).TrayClick(WM_LBUTTONUP);
            restored = IsWindowVisible(d.Window()) != FALSE;
        };
        dialog.Show();
        EXPECT_EQ(answerer.Answered(), 0u) << c.label;
        EXPECT_EQ(restored, c.restored) << c.label;
    }
}

TEST_F(Password, AVisibleWindowIsOnlyBroughtToTheFront)
{
    StorePassword(1, "Secret");
    TrayProbe dialog;
    DialogAnswerer answerer(1000);
    answerer.Then(kTitle, [](HWND window) { Answer(window, kCancel); });
    bool visible = false;
    dialog.script = [&](ProbeDialog& d) {
        ShowWindow(d.Window(), SW_SHOW);
        static_cast<TrayProbe&>(d).TrayClick(WM_LBUTTONUP);
        visible = IsWindowVisible(d.Window()) != FALSE;
    };
    dialog.Show();
    EXPECT_EQ(answerer.Answered(), 0u);
    EXPECT_TRUE(visible);
}

// While the dialog is open, neither another tray message nor another restore
// request of the process opens a second one.
TEST_F(Password, ASecondRequestDuringTheDialogIsRefused)
{
    StorePassword(1, "Secret");
    TrayProbe dialog;
    int dialogsDuring = 0;
    bool hiddenDuring = false, restored = false;
    DialogAnswerer answerer;
    answerer.Then(kTitle, [&](HWND window) {
        dialog.TrayClick(WM_LBUTTONUP);
        dialog.RestoreFromTray();
        dialogsDuring = OwnWindowsTitled(kTitle);
        hiddenDuring = !IsWindowVisible(dialog.Window());
        Answer(window, "Secret");
    });
    dialog.script = [&](ProbeDialog& d) {
        ShowWindow(d.Window(), SW_HIDE);
        dialog.TrayClick(WM_LBUTTONUP);
        restored = IsWindowVisible(d.Window()) != FALSE;
    };
    dialog.Show();
    EXPECT_EQ(answerer.Answered(), 1u);
    EXPECT_EQ(dialogsDuring, 1);
    EXPECT_TRUE(hiddenDuring) << "the window stays hidden until the password is given";
    EXPECT_TRUE(restored);
}

// Once compared, the typed password is gone from the edit box and the stored one from memory.
TEST_F(Password, TheDialogTakesTheForegroundWithTheFocusInItsEditBox)
{
    HWND foreground = nullptr, focus = nullptr, edit = nullptr, owner = nullptr;
    bool ownerVisible = true;
    int typedLeft = -1;
    TrayProbe dialog;
    DialogAnswerer answerer;
    answerer.Then(kTitle, [&](HWND window) {
        vbtest::WaitFor([&] { return GetForegroundWindow() == window; }, 2000);
        foreground = GetForegroundWindow() == window ? window : nullptr;
        focus = GetFocus();
        edit = GetDlgItem(window, IDC_PASSWORD_EDIT);
        ownerVisible = IsWindowVisible(dialog.Window()) != FALSE;
        Answer(window, "wrong");
        typedLeft = GetWindowTextLengthA(edit);
    });
    NString stored("Secret");
    const char* storedBuffer = stored.Text();
    dialog.script = [&](ProbeDialog& d) {
        owner = d.Window();
        ShowWindow(owner, SW_HIDE);
        EXPECT_FALSE(AskPassword(owner, stored, nullptr));
    };
    dialog.Show();
    EXPECT_NE(foreground, nullptr);
    EXPECT_EQ(focus, edit);
    EXPECT_FALSE(ownerVisible);
    EXPECT_EQ(typedLeft, 0);
    ASSERT_EQ(stored.Text(), storedBuffer);
    EXPECT_EQ(std::string(storedBuffer, 6), std::string(6, '\0'));
}

// Without its own push on activation until the one-second check has pushed a
// window aside, so that a window keeps the foreground it took until that check
// finds it; afterwards it holds the front as the real dialog does. Its check
// waits until the test has settled the grab (AllowCheck): a click still on its
// way to the grabbing window would otherwise race the check.
class UnresistingPasswordDialog : public PASSWORD_DLG {
public:
    using PASSWORD_DLG::PASSWORD_DLG;
    void AllowCheck() { m_checkAllowed = true; }
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if ((message == WM_ACTIVATE || message == WM_ACTIVATEAPP) && !PushedAside()) {
            return 0;
        }
        if (message == WM_TIMER && !m_checkAllowed) {
            return 0;
        }
        return PASSWORD_DLG::OnMessage(message, wParam, lParam);
    }

private:
    std::atomic<bool> m_checkAllowed{false};
};

TEST_F(Password, AWindowThatTakesTheForegroundInTheFirstSecondIsMinimisedAndGivenBack)
{
    vbtest::TargetWindows targets("--window --title \"Password Grabber\"");
    ASSERT_TRUE(targets.Ready()) << targets.Error();
    HWND grabber = targets[0];
    bool grabbed = false, minimised = false, dialogInFront = false, restoredAfter = false;
    HWND pushedAside = nullptr;
    std::string diag;
    TrayProbe owner;
    owner.script = [&](ProbeDialog& d) {
        ShowWindow(d.Window(), SW_HIDE);
        UnresistingPasswordDialog dialog(d.Window());
        DialogAnswerer answerer;
        answerer.Then(kTitle, [&](HWND window) {
            grabbed = vbtest::ClickToFront(grabber, 3000);
            dialog.AllowCheck();
            minimised = vbtest::WaitFor([&] { return IsIconic(grabber) != FALSE; }, 3000);
            dialogInFront = vbtest::WaitFor([&] { return GetForegroundWindow() == window; }, 2000);
            if (!dialogInFront) {
                // Which window holds the front instead, for the failure message.
                HWND front = GetForegroundWindow();
                char cls[64] = {}, title[64] = {};
                GetClassNameA(front, cls, sizeof cls);
                GetWindowTextA(front, title, sizeof title);
                DWORD pid = 0;
                GetWindowThreadProcessId(front, &pid);
                diag = "in front: " + std::string(cls) + " \"" + title + "\" of process " + std::to_string(pid) +
                       (front == grabber ? " (the grabber)" : "");
            }
            Answer(window, kCancel);
        });
        dialog.Show(d.Window());
        pushedAside = dialog.PushedAside();
        restoredAfter = vbtest::WaitFor([&] { return !IsIconic(grabber); }, 3000);
    };
    owner.Show();
    ASSERT_TRUE(grabbed);
    EXPECT_TRUE(minimised);
    EXPECT_TRUE(dialogInFront) << diag;
    EXPECT_EQ(pushedAside, grabber);
    EXPECT_TRUE(restoredAfter);
}

}  // namespace
