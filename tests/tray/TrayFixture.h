#pragma once
// Each tray test starts from an empty store and a registered library, and ends with no
// qpost left running.
#include <gtest/gtest.h>

#include <memory>

#include "MenuKeys.h"
#include "Qpost.h"
#include "Support.h"
#include "ThrowawayStore.h"

namespace tray {

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

    // Opens the tray menu with the right button and picks the item with these captions
    // (see MenuKeys) with the keyboard; a caption the menu lacks fails the test.
    void Choose(Qpost& q, std::initializer_list<std::wstring_view> path) {
        auto keys = MenuKeys(path);
        if (keys.empty()) return;
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
