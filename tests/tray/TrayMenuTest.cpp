// The tray icon's events and every command of its menu.
#include <gtest/gtest-spi.h>

#include <algorithm>

#include "Person.h"
#include "TrayFixture.h"
#include "TrayMenu.h"

using namespace tray;

// Items added later may stand between them, but every designed item stays where it was
// designed to be relative to the others.
TEST(TrayMenu, HoldsTheDesignedItemsInTheDesignedOrder) {
    const std::vector<std::wstring> designed{L"New",
                                             L"-",
                                             L"Show",
                                             L"Show > Show All",
                                             L"Show > Hide All",
                                             L"Show > Default Size All",
                                             L"Save All",
                                             L"Save As...",
                                             L"-",
                                             L"Options...",
                                             L"-",
                                             L"E&xit"};
    const auto table = qpost::TrayMenu({});
    std::vector<std::wstring> items;
    for (const auto& item : table) {
        items.push_back(item.caption);
        for (const auto& sub : item.items) items.push_back(item.caption + L" > " + sub.caption);
        EXPECT_EQ(item.isDefault, item.caption == L"New") << "New alone is the default item";
    }
    auto next = items.begin();
    for (const auto& caption : designed) {
        next = std::find(next, items.end(), caption);
        ASSERT_NE(next, items.end()) << testing::PrintToString(caption) << " missing or out of order";
        ++next;
    }
}

TEST(TrayMenu, ACaptionTheMenuLacksFailsTheTestAndPressesNothing) {
    std::vector<WORD> keys{VK_RETURN};
    EXPECT_NONFATAL_FAILURE(keys = MenuKeys({L"Show", L"Save All"}), "the tray menu has no item");
    EXPECT_TRUE(keys.empty());
}

TEST_F(Tray, ARealDoubleClickOnTheTrayIconMakesANote) {
    auto q = Start();
    ASSERT_NE(FindWindowW(L"Shell_TrayWnd", nullptr), nullptr) << "no taskbar: the test display has no Wine desktop";
    q->WaitUntilIdle();
    ASSERT_TRUE(ClickIcon(2, [&] { return !q->Notes().empty(); })) << "the icon answered no double click";
    EXPECT_EQ(q->WaitForNotes(1, 1).size(), 1u) << "one note, shown";
}

TEST_F(Tray, ALeftClickShowsEveryNote) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"note1", L"visible", L"0");
    store.Put(L"note2", L"visible", L"0");
    auto q = Start();
    auto notes = q->WaitForNotes(2);
    ASSERT_EQ(notes.size(), 2u);
    q->TrayEvent(WM_LBUTTONDOWN);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(notes[0]) && IsWindowVisible(notes[1]); }));
    q->TrayEvent(WM_LBUTTONUP);
    q->TrayEvent(WM_MOUSEMOVE);
    q->TrayEvent(WM_RBUTTONUP);
    Sleep(300);
    EXPECT_EQ(q->Notes().size(), 2u) << "other icon events do nothing";
}

TEST_F(Tray, ADoubleClickMakesANoteOffFromNotesAtTheSamePlace) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"note1", L"left", L"0");
    store.Put(L"note1", L"top", L"900");
    store.Put(L"note2", L"left", L"80");
    store.Put(L"note2", L"top", L"0");
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(2).size(), 2u);
    q->TrayEvent(WM_LBUTTONDBLCLK);
    ASSERT_EQ(q->WaitForNotes(3, 1).size(), 3u);
    HWND added = q->OnlyVisibleNote();  // the stored notes are hidden
    ASSERT_NE(added, nullptr);
    long tpp = test::TwipsPerPixel();
    RECT rc = RectOf(added);
    // Left 0 meets note 1 (to 80), then note 2 (to 160); top 0 meets only note 2 (to 80).
    EXPECT_EQ(rc.left, (160 + tpp / 2) / tpp);
    EXPECT_EQ(rc.top, (80 + tpp / 2) / tpp);
}

TEST_F(Tray, NewShowAllAndHideAllFromTheMenu) {
    auto q = Start();
    Choose(*q, {L"New"});
    auto notes = q->WaitForNotes(1);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(notes[0]) != FALSE; }));
    Choose(*q, {L"Show", L"Hide All"});
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(notes[0]); }));
    Choose(*q, {L"Show", L"Show All"});
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(notes[0]) != FALSE; }));
}

TEST_F(Tray, DefaultSizeAllResizesHiddenNotesTooAndSaveAllAlwaysWrites) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"note1", L"width", L"4000");
    store.Put(L"note1", L"visible", L"-1");
    store.Put(L"note2", L"height", L"3000");
    store.Put(L"note2", L"visible", L"0");
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(2).size(), 2u);
    Choose(*q, {L"Show", L"Default Size All"});
    Sleep(300);
    Choose(*q, {L"Save All"});
    EXPECT_TRUE(WaitFor([&] { return Stored(L"note2", L"height") == L"1300"; }));
    EXPECT_EQ(Stored(L"note1", L"width"), L"2500");
    EXPECT_EQ(Stored(L"note2", L"visible"), L"0");

    store.Clear();
    Choose(*q, {L"Save All"});
    EXPECT_TRUE(WaitFor([&] { return Stored(L"General", L"notes") == L"2"; })) << "saved though nothing changed";
}

TEST_F(Tray, ACollapsedNoteGivenTheDefaultSizeShowsItsTextAndNoHiddenBoxHasTheFocus) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"text", L"under the title");
    store.Put(L"note1", L"visible", L"-1");
    auto q = Start();
    q->WaitUntilIdle();
    auto notes = q->WaitForNotes(1);
    ASSERT_EQ(notes.size(), 1u);
    HWND note = notes[0], edit = test::FindChild(note, L"Edit");
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(edit) != FALSE; }));
    long height = HeightOf(note);
    test::Click(TextOf(note));
    ASSERT_TRUE(WaitFor([&] { return FocusOf(note) == edit; }));

    test::Click(TitleBarOf(note), 2);
    ASSERT_TRUE(WaitFor([&] { return HeightOf(note) < 30; })) << "collapsed";
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(edit) && FocusOf(note) == note; }))
        << "the collapsed note's text box is hidden, and the focus left it";

    Choose(*q, {L"Show", L"Default Size All"});
    EXPECT_TRUE(WaitFor([&] { return HeightOf(note) == height; })) << "full size again";
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(edit) != FALSE; })) << "and its text shows";
}

namespace {

// Whether a pixel of the window on the screen, inside the frame a menu draws around its
// items, has the colour.
bool Shows(HWND window, COLORREF colour) {
    RECT rc = RectOf(window);
    InflateRect(&rc, -4, -4);
    HDC screen = GetDC(nullptr);
    bool found = false;
    for (long y = rc.top; y < rc.bottom && !found; ++y)
        for (long x = rc.left; x < rc.right && !found; ++x) found = GetPixel(screen, x, y) == colour;
    ReleaseDC(nullptr, screen);
    return found;
}

}  // namespace

TEST_F(Tray, WithNothingDeletedTheDeletedNotesSubmenuHoldsOneGreyedItem) {
    auto q = Start();
    q->WaitUntilIdle();
    auto keys = MenuKeys({L"Deleted Notes"});
    keys.back() = VK_RIGHT;  // opens the submenu on its first item, which Enter would choose
    q->TrayEvent(WM_RBUTTONDOWN);
    ASSERT_NE(WaitForWindow(q->pid(), L"#32768"), nullptr) << "the menu did not open";
    Keys(keys);
    std::vector<HWND> menus;
    ASSERT_TRUE(WaitFor([&] { return (menus = TopWindowsOf(q->pid(), L"#32768", true)).size() == 2; }))
        << "the submenu did not open";
    HWND submenu = menus.front();  // the front one
    RECT rc = RectOf(submenu);
    EXPECT_LT(rc.bottom - rc.top, 2 * GetSystemMetrics(SM_CYMENU)) << "one item, no separator and no Empty";
    ASSERT_TRUE(WaitFor([&] { return Shows(submenu, GetSysColor(COLOR_HIGHLIGHT)); })) << "its item selected";
    // The selected item's text is grey: one that could be chosen is drawn in these colours.
    EXPECT_FALSE(Shows(submenu, GetSysColor(COLOR_HIGHLIGHTTEXT)) || Shows(submenu, GetSysColor(COLOR_MENUTEXT)))
        << "greyed";
    Keys({VK_ESCAPE, VK_ESCAPE});
}
