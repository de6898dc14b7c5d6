// What the program loads on first use instead of at start (winbase/LateLibraries.h), each used
// for the first time on a thread of its own that has no COM apartment, as the program's own
// first use may be: the test program, like the program, loads none of them beforehand.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <thread>

#include "hotkeys/HelpPopup.h"
#include "shell/Shell.h"
#include "shell/Shortcut.h"
#include "tests/support/TempFolder.h"
#include "winbase/LateLibraries.h"

namespace {

constexpr int kControlId = 5;

// A top-level window with one child control (id kControlId), destroyed with the object.
class Owner {
public:
    Owner()
        : m_window(CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr))
    {
        CreateWindowExA(0, "BUTTON", "child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, m_window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)), nullptr, nullptr);
    }
    ~Owner() { DestroyWindow(m_window); }
    HWND Get() const { return m_window; }

private:
    HWND m_window;
};

bool RichEditTakesText()
{
    if (!EnsureRichEditClass())
        return false;
    Owner owner;
    HWND text = CreateWindowExW(0, L"RichEdit20W", L"", WS_CHILD | ES_MULTILINE, 0, 0, 100, 50, owner.Get(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(100)), nullptr, nullptr);
    if (!text)
        return false;
    PutRichEditText(owner.Get(), 100, L"licence \u00e9");
    return GetWindowTextLengthW(text) == 9;
}

bool HelpPopupShows()
{
    Owner owner;
    auto popups = HelpPopup::Create(GetModuleHandleA(nullptr), owner.Get(), 200);
    return popups && popups->Tooltip() && popups->Add(kControlId, "help text");
}

bool StartupShortcutRoundTrips()
{
    TempFolder folder("late");
    const StartupFolders folders{NString(folder.Path().c_str()), NString()};
    const ShortcutTarget program = ProgramShortcutTarget(GetModuleHandleA(nullptr), "Late Shortcut");
    return CreateShortcut(program, "first use", nullptr, folders) && ShortcutPresent(program, folders) &&
           TempFolder::Exists(folder / "Late Shortcut.lnk") && RemoveShortcut(program, folders) &&
           !ShortcutPresent(program, folders);
}

// The shell's pieces the program reaches through its wrappers: the Startup folder, and a tray
// icon added and taken away again.
bool ShellAnswers()
{
    Owner owner;
    NOTIFYICONDATAW record = {};
    record.cbSize = sizeof record;
    record.hWnd = owner.Get();
    record.uID = 7;
    const bool added = LateShellNotifyIconW(NIM_ADD, &record) != FALSE;
    const bool removed = added && LateShellNotifyIconW(NIM_DELETE, &record) != FALSE;
    return !StartupFolder(false).IsEmpty() && removed;
}

struct LatePiece {
    const char* name;
    // The library the piece loads; absentBefore: no part of the start loads it either.
    const char* library;
    bool absentBefore;
    std::function<bool()> firstUse;
};

const LatePiece kPieces[] = {
    {"the licence's rich edit control", "riched20.dll", true, RichEditTakesText},
    {"the help popups' tooltip", "comctl32.dll", false, HelpPopupShows},
    {"the Startup shortcut through COM", "ole32.dll", false, StartupShortcutRoundTrips},
    {"the Startup folder and a tray icon through the shell", "shell32.dll", false, ShellAnswers},
};

} // namespace

TEST(LateLibraries, EachPieceWorksOnItsFirstUseOnAThreadWithoutCom)
{
    for (const LatePiece& piece : kPieces) {
        SCOPED_TRACE(piece.name);
        if (piece.absentBefore) {
            EXPECT_EQ(GetModuleHandleA(piece.library), nullptr) << "loaded before its first use";
        }
        bool worked = false;
        std::thread([&] { worked = piece.firstUse(); }).join();
        EXPECT_TRUE(worked);
        EXPECT_NE(GetModuleHandleA(piece.library), nullptr);
    }
}

TEST(LateLibraries, ComScopesNestAndLeaveTheThreadAsTheyFoundIt)
{
    std::thread([] {
        {
            const ComScope outer;
            const ComScope inner;
            EXPECT_TRUE(outer.Usable());
            EXPECT_TRUE(inner.Usable());
        }
        // Every scope undone: the thread takes another apartment model without complaint.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            const ComScope inside;
            EXPECT_TRUE(inside.Usable()) << "an apartment of another model still makes in-process objects";
        }
        CoUninitialize();
    }).join();
}

// The Startup shortcut made, found and removed on a thread that has no apartment, a
// single-threaded one or the multithreaded one: each works, and the thread keeps the apartment it
// had (none stays none).
TEST(LateLibraries, TheStartupShortcutWorksInWhateverApartmentTheThreadHasAndLeavesItSo)
{
    struct Apartment {
        const char* name;
        bool has;
        DWORD model;
    };
    const Apartment kApartments[] = {
        {"no apartment", false, 0},
        {"a single-threaded apartment", true, COINIT_APARTMENTTHREADED},
        {"the multithreaded apartment", true, COINIT_MULTITHREADED},
    };
    for (const Apartment& apartment : kApartments) {
        SCOPED_TRACE(apartment.name);
        std::thread([&] {
            if (apartment.has) {
                ASSERT_EQ(CoInitializeEx(nullptr, apartment.model), S_OK);
            }
            EXPECT_TRUE(StartupShortcutRoundTrips());
            // S_FALSE: the thread is still in the same apartment; S_OK: it had none left.
            const DWORD model = apartment.has ? apartment.model : static_cast<DWORD>(COINIT_MULTITHREADED);
            EXPECT_EQ(CoInitializeEx(nullptr, model), apartment.has ? S_FALSE : S_OK);
            CoUninitialize();
            if (apartment.has) {
                CoUninitialize();
            }
        }).join();
    }
}
