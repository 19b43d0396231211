#pragma once
// The keys that choose an item of qpost's tray menu, found by its caption in the table
// qpost builds the menu from: an item added to the menu moves the keys with it.
#include <windows.h>

#include <initializer_list>
#include <string_view>
#include <vector>

namespace tray {

// From a freshly opened menu, the keys to an item and Enter: a path of captions, the
// submenu's first ({L"Show", L"Hide All"}); "&" is ignored. Empty, with the test marked
// failed, when the menu has no such item.
std::vector<WORD> MenuKeys(std::initializer_list<std::wstring_view> path);

}  // namespace tray
