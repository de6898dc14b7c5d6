// The stack given back below a thread's frame: the range it names, and that a thread keeps its
// live frames and can go deep again afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "winbase/ThreadStack.h"

namespace {

constexpr std::uintptr_t kPage = 4096;

struct RangeCase {
    const char* name;
    std::uintptr_t limit;
    std::uintptr_t frame;
    std::uintptr_t low;
    std::uintptr_t high;
};

const RangeCase kRangeCases[] = {
    {"deep stack below the frame", 0x100000, 0x200000 - 0x123, 0x100000, 0x1ef000},
    {"frame exactly the margin above the limit", 0x100000, 0x100000 + kStackKeptBelowFrame, 0x100000, 0x100000},
    {"frame inside the margin", 0x100000, 0x108000, 0x100000, 0x100000},
    {"frame below the limit (not on this stack)", 0x100000, 0x80000, 0x100000, 0x100000},
    {"unaligned limit rounds up, high rounds down", 0x100010, 0x180fff, 0x101000, 0x170000},
};

TEST(ThreadStack, UnusedRangeLeavesTheMarginAndWholePages)
{
    for (const RangeCase& row : kRangeCases) {
        const StackRange range = UnusedStackRange(row.limit, row.frame, kPage);
        EXPECT_EQ(range.low, row.low) << row.name;
        EXPECT_EQ(range.high, row.high) << row.name;
        EXPECT_LE(range.low, range.high) << row.name;
    }
}

// Writes a pattern through depth bytes of stack below the caller and checks it back.
__declspec(noinline) bool UseStack(size_t depth)
{
    if (depth < 16 * 1024) {
        volatile unsigned char last[16 * 1024];
        for (size_t i = 0; i < sizeof last; ++i)
            last[i] = static_cast<unsigned char>(i);
        return last[sizeof last - 1] == static_cast<unsigned char>(sizeof last - 1);
    }
    volatile unsigned char block[16 * 1024];
    for (size_t i = 0; i < sizeof block; ++i)
        block[i] = static_cast<unsigned char>(i * 7);
    const bool deeper = UseStack(depth - sizeof block);
    for (size_t i = 0; i < sizeof block; ++i)
        if (block[i] != static_cast<unsigned char>(i * 7))
            return false;
    return deeper;
}

// True when the range marked is the committed stack from its lowest page above the guard page up
// to the margin below the caller's frame at frame, and holds at least the depth the thread used.
bool MarkedTheUnusedStack(StackRange range, std::uintptr_t frame, std::uintptr_t depthUsed)
{
    MEMORY_BASIC_INFORMATION bottom = {};
    MEMORY_BASIC_INFORMATION below = {};
    if (!VirtualQuery(reinterpret_cast<void*>(range.low), &bottom, sizeof bottom) ||
        !VirtualQuery(reinterpret_cast<void*>(range.low - 1), &below, sizeof below))
        return false;
    return bottom.State == MEM_COMMIT && bottom.Protect == PAGE_READWRITE && (below.Protect & PAGE_GUARD) != 0 &&
           range.high + kStackKeptBelowFrame <= frame &&
           range.high - range.low >= depthUsed - 2 * kStackKeptBelowFrame;
}

DWORD WINAPI ReleaseAndGoDeep(LPVOID)
{
    unsigned char live[8 * 1024];
    memset(live, 0x5a, sizeof live);
    // Deep first, so that the pages given back were written (and, where the system commits a stack
    // as it grows, committed).
    if (!UseStack(512 * 1024))
        return 1;
    const StackRange range = ReleaseUnusedStack();
    for (unsigned char c : live)
        if (c != 0x5a)
            return 2;
    if (!MarkedTheUnusedStack(range, reinterpret_cast<std::uintptr_t>(live), 512 * 1024))
        return 4;
    return UseStack(768 * 1024) ? 0 : 3;
}

TEST(ThreadStack, LiveFramesKeptAndStackUsableAfterRelease)
{
    HANDLE thread = CreateThread(nullptr, 0, ReleaseAndGoDeep, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(code, 0u) << "1: the stack failed before the release, 2: a live frame lost its contents, "
                           "3: the stack failed after it, 4: the range marked was not the unused committed stack";
}

} // namespace
