#include "TrayMenu.h"

namespace qpost {

std::vector<tk::MenuItem> TrayMenu(const TrayCommands& commands) {
    return {
        {.caption = L"New", .Click = commands.mnuNew_Click, .isDefault = true},
        {.caption = L"-"},
        {.caption = L"Show",
         .items = {{.caption = L"Show All", .Click = commands.mnuShowAll_Click},
                   {.caption = L"Hide All", .Click = commands.mnuHideAll_Click},
                   {.caption = L"Default Size All", .Click = commands.mnuDefaultSize_Click}}},
        {.caption = L"Save All", .Click = commands.mnuSaveAll_Click},
        {.caption = L"Save As...", .Click = commands.mnuSaveAs_Click},
        {.caption = L"-"},
        {.caption = L"&Find in Notes...", .Click = commands.mnuFindInNotes_Click},
        {.caption = L"&Deleted Notes", .fill = commands.mnuDeleted_Items},
        {.caption = L"-"},
        {.caption = L"Options...", .Click = commands.mnuOptions_Click},
        {.caption = L"-"},
        {.caption = L"E&xit", .Click = commands.mnuExit_Click},
    };
}

}  // namespace qpost
