#include "app/HeldBatch.h"

#include "app/ForeignWindow.h"

void UncoverHeldWindows(const HiddenMenu& menu)
{
    std::vector<HWND> windows;
    for (const MenuEntry* entry : menu.Entries()) {
        windows.insert(windows.end(), entry->owned.rbegin(), entry->owned.rend());
        windows.push_back(entry->window);
    }
    SilentThreads silent;
    for (auto window = windows.rbegin(); window != windows.rend(); ++window)
        ShowForeignWindow(*window, SW_SHOW, &silent);
}
