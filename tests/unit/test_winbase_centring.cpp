// Centring arithmetic of the window framework, and the lookup of the module
// that holds a piece of code.
#include <gtest/gtest.h>

#include <windows.h>

#include "winbase/ModuleInfo.h"
#include "winbase/WindowHelpers.h"

namespace {

TEST(CenteredRectTest, PlacesAndKeepsWindowsOnAnEightHundredBySixHundredDesktop)
{
    const RECT desktop = {0, 0, 800, 600};
    const struct {
        const char* label;
        RECT window, reference, want;
    } cases[] = {
        {"300x200 over the desktop", {0, 0, 300, 200}, desktop, {250, 200, 550, 400}},
        {"301x201 loses a pixel each way", {10, 10, 311, 211}, desktop, {250, 200, 550, 400}},
        {"wider than the desktop", {0, 0, 1000, 300}, desktop, {-200, 150, 800, 450}},
        {"taller than the desktop", {0, 0, 100, 700}, desktop, {350, -100, 450, 600}},
        {"reference at the right edge", {0, 0, 300, 200}, {700, 100, 800, 300}, {500, 100, 800, 300}},
        {"reference at the left edge", {0, 0, 300, 200}, {-50, 100, 50, 300}, {0, 100, 300, 300}},
        {"reference near the bottom", {0, 0, 100, 60}, {0, 550, 800, 610}, {350, 540, 450, 600}},
        {"reference above the top", {0, 0, 100, 60}, {0, -50, 800, 50}, {350, 0, 450, 60}},
        {"taller than the reference", {0, 0, 200, 200}, {100, 100, 300, 150}, {100, 25, 300, 225}},
        {"taller than a reference above the top", {0, 0, 200, 200}, {100, -20, 300, 30}, {100, 0, 300, 200}},
        {"taller than a reference near the bottom", {0, 0, 100, 200}, {0, 500, 100, 560}, {0, 400, 100, 600}},
    };
    for (const auto& c : cases) {
        const RECT got = CenteredRect(c.window, c.reference, 800, 600);
        EXPECT_TRUE(EqualRect(&got, &c.want) != FALSE)
            << c.label << ": got " << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
}

int FunctionOfThisProgram()
{
    return 42;
}

TEST(ModuleOfAddressTest, NamesTheImageThatHoldsTheAddress)
{
    HMODULE program = GetModuleHandleA(nullptr);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    void* heap = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const struct {
        const char* label;
        const void* address;
        HMODULE want;
    } cases[] = {
        {"code of this program", reinterpret_cast<const void*>(&FunctionOfThisProgram), program},
        {"the program's first byte", program, program},
        {"code of kernel32", reinterpret_cast<const void*>(GetProcAddress(kernel, "GetTickCount")), kernel},
        {"memory of no module", static_cast<char*>(heap) + 100, nullptr},
        {"null", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ModuleOfAddress(c.address), c.want) << c.label;
    }
    VirtualFree(heap, 0, MEM_RELEASE);
    EXPECT_EQ(ModuleOfCaller(), program);
    NString name = ModuleFileName(program);
    EXPECT_TRUE(name.ToUpper().Contains("UNIT_TESTS.EXE")) << name.Text();
}

}  // namespace
