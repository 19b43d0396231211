#pragma once
// The tray icon's popup menu, in display order, with the command each item runs. qpost
// builds its menu from this table, and the tray tests find an item here by its caption,
// so an item added anywhere moves the tests' way to every item after it.
#include <functional>
#include <vector>

#include "PopupMenu.h"

namespace qpost {

// The commands of the menu's items: frmIcon's routines of the same names.
struct TrayCommands {
    std::function<void()> mnuNew_Click;
    std::function<void()> mnuShowAll_Click;
    std::function<void()> mnuHideAll_Click;
    std::function<void()> mnuDefaultSize_Click;
    std::function<void()> mnuSaveAll_Click;
    std::function<void()> mnuSaveAs_Click;
    std::function<void()> mnuFindInNotes_Click;
    // The "Deleted Notes" submenu, made as the menu opens.
    std::function<std::vector<tk::MenuItem>()> mnuDeleted_Items;
    std::function<void()> mnuOptions_Click;
    std::function<void()> mnuExit_Click;
};

std::vector<tk::MenuItem> TrayMenu(const TrayCommands& commands);

}  // namespace qpost
