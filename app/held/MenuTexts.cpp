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

void AppendFixedItems(HMENU menu)
{
    for (const FixedItem& item : kFixedItems)
        AppendMenuA(menu, MF_STRING, item.command, T(item.text));
}

void RenameFixedItems(HMENU menu)
{
    if (!menu)
        return;
    for (const FixedItem& item : kFixedItems)
        ModifyMenuA(menu, item.command, MF_BYCOMMAND | MF_STRING, item.command, T(item.text));
}
