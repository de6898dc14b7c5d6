// The calling thread's stack, handed back where it lies unused.
//
// Some systems write far below a new thread's first frame before its start routine runs (Wine 8
// clears 960 KB of every new thread's stack), and every page written stays in the process's
// private memory for the thread's whole life, whether or not the thread ever reaches that deep
// again. A long-lived thread that stays shallow gives those pages back once, here. What falls is
// the pages' residence: they stay in the commit charge (Windows' private bytes), while Wine counts
// only resident pages as private.
#pragma once

#include <cstdint>

// How far below the caller's frame the stack is left alone: room for the frames of the call
// that hands the pages back.
constexpr std::uintptr_t kStackKeptBelowFrame = 64 * 1024;

// The page-aligned range [low, high) of a stack whose lowest committed byte is limit, seen from
// a frame at frame: everything from limit up to kStackKeptBelowFrame below the frame. Empty
// (low == high) when the frame is that near the limit.
struct StackRange {
    std::uintptr_t low = 0;
    std::uintptr_t high = 0;
};
StackRange UnusedStackRange(std::uintptr_t limit, std::uintptr_t frame, std::uintptr_t pageSize);

// Marks the calling thread's stack below its current frame (less the margin above) as holding
// nothing of interest (MEM_RESET): the pages stay committed and usable, their contents may go.
// Nothing below a thread's frame is live; a failure changes nothing. Returns the range marked,
// empty when none was (the frame is not on a stack resting on its guard page, is too near the
// stack's limit, or the system refused).
StackRange ReleaseUnusedStack();
