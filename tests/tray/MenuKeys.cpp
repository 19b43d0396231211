#include "MenuKeys.h"

#include <gtest/gtest.h>

#include <string>

#include "TrayMenu.h"

namespace tray {
namespace {

std::wstring WithoutAccessMark(std::wstring_view caption) {
    std::wstring plain;
    for (wchar_t c : caption)
        if (c != L'&') plain += c;
    return plain;
}

}  // namespace

std::vector<WORD> MenuKeys(std::initializer_list<std::wstring_view> path) {
    const std::vector<tk::MenuItem> table = qpost::TrayMenu({});
    const std::vector<tk::MenuItem>* items = &table;
    std::vector<WORD> keys;
    std::wstring walked;
    for (std::wstring_view caption : path) {
        walked += (walked.empty() ? L"" : L" > ") + std::wstring(caption);
        // A freshly opened menu has nothing selected, and the first Down selects its first
        // item; Right opens a submenu on its first item. The arrows pass over separators.
        if (!keys.empty()) keys.push_back(VK_RIGHT);
        size_t downs = keys.empty() ? 1 : 0;
        const tk::MenuItem* found = nullptr;
        for (const tk::MenuItem& item : *items) {
            if (item.caption == L"-") continue;
            if (WithoutAccessMark(item.caption) == WithoutAccessMark(caption)) {
                found = &item;
                break;
            }
            ++downs;
        }
        if (!found) {
            ADD_FAILURE() << "the tray menu has no item " << testing::PrintToString(walked);
            return {};
        }
        keys.insert(keys.end(), downs, VK_DOWN);
        items = &found->items;
    }
    keys.push_back(VK_RETURN);
    return keys;
}

}  // namespace tray
