#pragma once
// Each tray test starts from an empty store and a registered library, and ends with no
// qpost left running.
#include <gtest/gtest.h>

#include <memory>

#include "Qpost.h"
#include "Support.h"
#include "ThrowawayStore.h"

namespace tray {

// The tray menu's items, reached with the keyboard from a freshly opened menu.
namespace menu {
inline const std::initializer_list<WORD> New{VK_DOWN, VK_RETURN};
inline const std::initializer_list<WORD> ShowAll{VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN};
inline const std::initializer_list<WORD> HideAll{VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN};
inline const std::initializer_list<WORD> DefaultSizeAll{VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN};
inline const std::initializer_list<WORD> SaveAll{VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
inline const std::initializer_list<WORD> SaveAs{VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
inline const std::initializer_list<WORD> Options{VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
inline const std::initializer_list<WORD> Exit{VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
}  // namespace menu

class Tray : public testing::Test {
protected:
    // This prefix's own store: the test prefix is thrown away after the run.
    test::StoreContents store{HKEY_CURRENT_USER};

    void SetUp() override {
        test::RegisterLibrary();
        store.Clear();
    }

    // Starts qpost and waits until its main window exists.
    std::unique_ptr<Qpost> Start() {
        auto q = std::make_unique<Qpost>();
        EXPECT_NE(q->MainWindow(), nullptr) << "qpost did not start";
        return q;
    }

    // Opens the tray menu with the right button and picks an item with the keyboard.
    void Choose(Qpost& q, std::initializer_list<WORD> keys) {
        q.TrayEvent(WM_RBUTTONDOWN);
        ASSERT_NE(WaitForWindow(q.pid(), L"#32768"), nullptr) << "the menu did not open";
        Keys(keys);
    }

    std::wstring Stored(const std::wstring& section, const std::wstring& key) {
        auto dump = store.Dump();
        auto s = dump.find(section);
        if (s == dump.end()) return L"<no section>";
        auto v = s->second.find(key);
        return v == s->second.end() ? L"<missing>" : v->second.text;
    }
};

}  // namespace tray
