#pragma once
// A popup menu opened at the pointer. The chosen item's command runs before Show returns.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Handles.h"

namespace tk {

struct MenuItem {
    std::wstring caption;  // "-" is a separator; "&" marks the access key
    std::function<void()> Click;
    std::vector<MenuItem> items;  // a submenu
    bool isDefault = false;       // drawn bold, chosen by a double click
    bool grayed = false;          // shown, but cannot be chosen
    // A submenu made afresh from what this gives each time the menu opens.
    std::function<std::vector<MenuItem>()> fill;
};

class PopupMenu {
public:
    explicit PopupMenu(std::vector<MenuItem> items);
    // Opens at the pointer (or at the screen point given) with the platform's default
    // alignment, owned by owner.
    void Show(HWND owner, std::optional<POINT> at = std::nullopt);
    HMENU handle() const { return menu_.get(); }

private:
    void Build(HMENU menu, const std::vector<MenuItem>& items);

    std::vector<MenuItem> items_;
    bool filled_ = false;  // a submenu is made as the menu opens
    UniqueMenu menu_;
    std::vector<std::function<void()>> commands_;  // indexed by command id - 1
};

}  // namespace tk
