#include "PopupMenu.h"

#include <algorithm>

#include "Failure.h"

namespace tk {

namespace {

bool Filled(const std::vector<MenuItem>& items) {
    return std::any_of(items.begin(), items.end(), [](const MenuItem& item) { return item.fill || Filled(item.items); });
}

}  // namespace

PopupMenu::PopupMenu(std::vector<MenuItem> items) : items_(std::move(items)), filled_(Filled(items_)) {
    // A menu with a submenu made as it opens is made whole then.
    if (filled_) return;
    menu_.reset(CreatePopupMenu());
    if (!menu_) ThrowLastError(L"Cannot create the menu");
    Build(menu_.get(), items_);
}

void PopupMenu::Build(HMENU menu, const std::vector<MenuItem>& items) {
    for (const MenuItem& item : items) {
        if (item.caption == L"-") {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!item.items.empty() || item.fill) {
            UniqueMenu sub(CreatePopupMenu());
            if (!sub) ThrowLastError(L"Cannot create the menu");
            Build(sub.get(), item.fill ? item.fill() : item.items);
            if (!AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub.get()), item.caption.c_str()))
                ThrowLastError(L"Cannot create the menu");
            sub.release();  // its parent menu owns it now, and destroys it with itself
        } else {
            commands_.push_back(item.Click);
            UINT id = static_cast<UINT>(commands_.size());
            AppendMenuW(menu, MF_STRING | (item.grayed ? MF_GRAYED : 0), id, item.caption.c_str());
            if (item.isDefault) SetMenuDefaultItem(menu, id, FALSE);
        }
    }
}

void PopupMenu::Show(HWND owner, std::optional<POINT> at) {
    if (filled_) {
        commands_.clear();
        menu_.reset(CreatePopupMenu());
        if (!menu_) ThrowLastError(L"Cannot create the menu");
        Build(menu_.get(), items_);
    }
    POINT pt;
    if (at)
        pt = *at;
    else
        GetCursorPos(&pt);
    UINT id = static_cast<UINT>(TrackPopupMenuEx(menu_.get(), TPM_RETURNCMD, pt.x, pt.y, owner, nullptr));
    // Lets the menu close properly when the user clicks elsewhere next time.
    PostMessageW(owner, WM_NULL, 0, 0);
    if (id >= 1 && id <= commands_.size() && commands_[id - 1]) commands_[id - 1]();
}

}  // namespace tk
