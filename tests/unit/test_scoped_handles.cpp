// The handle owners: each handle is closed exactly once, by the owner that holds it last, and
// never one that was given up or is empty.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "winbase/ScopedHandles.h"

namespace {

std::vector<int> g_closed;

// Handles are small numbers; 0 owns nothing; closing one writes it down.
struct CountingTraits {
    using Handle = int;
    static Handle Empty() { return 0; }
    static bool IsValid(Handle handle) { return handle != 0; }
    static void Close(Handle handle) { g_closed.push_back(handle); }
};
using Counted = Owned<CountingTraits>;

TEST(ScopedHandles, EachHandleIsClosedOnceByItsLastOwner)
{
    const struct {
        const char* label;
        std::function<void()> run;
        std::vector<int> closed;
    } cases[] = {
        {"goes out of scope", [] { Counted a(1); }, {1}},
        {"empty owner", [] { Counted a; }, {}},
        {"moved into a new owner", [] { Counted a(1); Counted b(std::move(a)); }, {1}},
        {"move-assigned over a held handle", [] { Counted a(1), b(2); b = std::move(a); }, {2, 1}},
        {"moved into itself", [] { Counted a(1); Counted& same = a; a = std::move(same); }, {1}},
        {"reset to another", [] { Counted a(1); a.reset(2); }, {1, 2}},
        {"reset to the same handle", [] { Counted a(1); a.reset(1); }, {1}},
        {"reset to empty, twice", [] { Counted a(1); a.reset(); a.reset(); }, {1}},
        {"released", [] { Counted a(1); EXPECT_EQ(a.release(), 1); EXPECT_EQ(a.release(), 0); }, {}},
        {"receive closes what was held", [] { Counted a(1); *a.receive() = 3; }, {1, 3}},
    };
    for (const auto& c : cases) {
        g_closed.clear();
        c.run();
        EXPECT_EQ(g_closed, c.closed) << c.label;
    }
}

TEST(ScopedHandles, KernelHandleIsClosedAndTheInvalidValueIsNot)
{
    HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(raw, nullptr);
    {
        OwnedHandle event(raw);
        EXPECT_TRUE(static_cast<bool>(event));
        DWORD flags = 0;
        EXPECT_TRUE(GetHandleInformation(raw, &flags));
    }
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags));
    const OwnedHandle none(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(static_cast<bool>(none));
}

TEST(ScopedHandles, SelectedObjectPutsThePriorObjectBack)
{
    const OwnedMemoryDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const OwnedFont font(CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial"));
    ASSERT_TRUE(font);
    const HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_FONT);
    {
        const SelectedObject selected(dc.get(), font.get());
        EXPECT_EQ(selected.prior(), before);
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), font.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), before);
    const SelectedObject nothing(dc.get(), nullptr);
    EXPECT_EQ(nothing.prior(), nullptr);
}

} // namespace
