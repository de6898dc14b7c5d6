#include "app/held/MenuTexts.h"

#include "app/held/HiddenMenu.h"
#include "text/Texts.h"

namespace {

struct FixedItem {
    UINT command;
    Tx text;
};

constexpr FixedItem kFixedItems[] = {
    {kCmdShowMainWindow, Tx::MenuShowMainWindow},
    {kCmdVisitWebSite, Tx::MenuVisitWebSite},
    {kCmdExitFromMenu, Tx::MenuExit},
};

}  // namespace

void AppendFixedItems(HMENU menu, MenuTextItems& fixed)
{
    for (const FixedItem& item : kFixedItems)
        AppendMenuA(menu, MF_STRING, item.command, T(item.text));
    fixed.Take(menu);
}

void RenameFixedItems(MenuTextItems& fixed)
{
    for (const FixedItem& item : kFixedItems)
        fixed.Rename(item.command, T(item.text));
}
