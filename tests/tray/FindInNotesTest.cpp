// Find in Notes, from the tray menu: the dialog, the notes it brings forward, its message.
#include <algorithm>

#include "Person.h"
#include "TrayFixture.h"
#include "TrayMenu.h"

using namespace tray;

namespace {

// Chooses Find in Notes from the tray menu, by its caption or by its access key, and waits
// for its dialog.
HWND OpenFind(const Qpost& q, bool byAccessKey = false) {
    if (byAccessKey) {
        if (!RightClickIcon(q.pid())) return nullptr;
        Keys({'F'});
    } else if (!ChooseByHand(q.pid(), {L"Find in Notes..."})) {
        return nullptr;
    }
    HWND dialog = WaitForWindow(q.pid(), L"CorkbaseInputbox");
    return dialog && WaitFor([&] { return IsWindowVisible(dialog) != FALSE; }) ? dialog : nullptr;
}

// A text box of the program: its text, which only the box itself knows.
std::wstring TextIn(HWND edit) {
    std::wstring text(4096, L'\0');
    text.resize(
        static_cast<size_t>(SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// The selection's start and end, as EM_GETSEL packs them.
DWORD Selection(HWND edit) { return static_cast<DWORD>(SendMessageW(edit, EM_GETSEL, 0, 0)); }
DWORD Span(size_t start, size_t end) { return static_cast<DWORD>(MAKELONG(start, end)); }
long HeightOf(HWND window) { return RectOf(window).bottom - RectOf(window).top; }

HWND Focus(HWND window) {
    GUITHREADINFO info{sizeof info};
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

}  // namespace

TEST(TrayMenu, FindInNotesBeginsAGroupOfItsOwnAfterSaveAs) {
    const auto table = qpost::TrayMenu({});
    auto saveAs =
        std::find_if(table.begin(), table.end(), [](const auto& item) { return item.caption == L"Save As..."; });
    ASSERT_LT(saveAs + 2, table.end());
    EXPECT_EQ(saveAs[1].caption, L"-");
    EXPECT_EQ(saveAs[2].caption, L"&Find in Notes...");
}

TEST_F(Tray, FindInNotesShowsEveryNoteThatHoldsTheTextWithTheFocusInTheFirst) {
    std::wstring lines;
    for (int i = 1; i <= 30; ++i) lines += L"line " + std::to_wstring(i) + L"\r\n";
    store.Put(L"General", L"notes", L"3");
    // Hidden, and stored about as low as its title bar: the match lies below thirty lines.
    store.Put(L"note1", L"visible", L"0");
    store.Put(L"note1", L"height", L"210");
    store.Put(L"note1", L"text", lines + L"ask \u00d6laf about the roof");
    store.Put(L"note2", L"visible", L"-1");
    store.Put(L"note2", L"left", L"4000");
    store.Put(L"note2", L"height", L"1500");
    store.Put(L"note2", L"text", L"\u00f6laf: 555 0199");
    store.Put(L"note3", L"visible", L"0");
    store.Put(L"note3", L"text", L"nothing to find here");
    auto q = Start();
    q->WaitUntilIdle();
    auto notes = q->WaitForNotes(3, 1);
    ASSERT_EQ(notes.size(), 3u);
    HWND collapsed = q->OnlyVisibleNote(), hidden = nullptr, untouched = nullptr;
    ASSERT_NE(collapsed, nullptr);
    for (HWND n : notes)
        if (n != collapsed) (TextIn(test::FindChild(n, L"Edit")).starts_with(L"line") ? hidden : untouched) = n;
    ASSERT_TRUE(hidden && untouched);
    long expanded = HeightOf(collapsed);
    test::Click(TitleBarOf(collapsed), 2);
    ASSERT_TRUE(WaitFor([&] { return HeightOf(collapsed) < 30; })) << "collapsed";
    RECT untouchedPlace = RectOf(untouched);

    HWND dialog = OpenFind(*q);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(test::WindowText(dialog), L"Find in Notes");
    test::TypeText(L"\u00d6LAF");
    Keys({VK_RETURN});

    HWND hiddenText = test::FindChild(hidden, L"Edit"), collapsedText = test::FindChild(collapsed, L"Edit");
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(hidden) && Focus(hidden) == hiddenText; }))
        << "the first note in list order is shown with the focus in its text";
    size_t at = lines.size() + 4;
    EXPECT_EQ(Selection(hiddenText), Span(at, at + 4)) << "its match selected";
    EXPECT_GT(SendMessageW(hiddenText, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "and scrolled into view";
    EXPECT_NEAR(HeightOf(hidden), 1300.0 / test::TwipsPerPixel(), 1) << "the default height";
    EXPECT_EQ(GetForegroundWindow(), hidden);
    EXPECT_TRUE(WaitFor([&] { return HeightOf(collapsed) == expanded; })) << "the collapsed note expanded";
    EXPECT_EQ(Selection(collapsedText), Span(0, 4));
    EXPECT_FALSE(IsWindowVisible(untouched)) << "a note without the text stays hidden";
    RECT untouchedNow = RectOf(untouched);
    EXPECT_TRUE(EqualRect(&untouchedPlace, &untouchedNow)) << "and where it was";

    // F3 goes on within the first note, as its own find does.
    Keys({VK_F3});
    auto end = WaitForDialog(q->pid(), L"Corkbase");
    ASSERT_TRUE(end) << "no further match in the first note";
    Press(end->hwnd, L"OK");
}

TEST_F(Tray, FindInNotesSaysWhenNoNoteHoldsTheTextAndOffersItAgain) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"visible", L"0");
    store.Put(L"note1", L"text", L"pears");
    auto q = Start();
    q->WaitUntilIdle();
    auto notes = q->WaitForNotes(1);
    ASSERT_EQ(notes.size(), 1u);

    HWND dialog = OpenFind(*q);
    ASSERT_NE(dialog, nullptr);
    test::TypeText(L"apples");
    Keys({VK_RETURN});
    auto message = WaitForDialog(q->pid(), L"Quillpost");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text, L"Cannot find \"apples\" in any note.");
    Press(message->hwnd, L"OK");

    dialog = OpenFind(*q);
    ASSERT_NE(dialog, nullptr);
    HWND field = test::FindChild(dialog, L"Edit");
    EXPECT_EQ(TextIn(field), L"apples") << "the last text comes back";
    EXPECT_EQ(Selection(field), Span(0, 6)) << "selected, so typing replaces it";
    test::TypeText(L"pea");
    Press(dialog, L"Cancel");
    EXPECT_FALSE(WaitForDialog(q->pid(), L"", 1000)) << "Cancel brings no message";
    EXPECT_FALSE(IsWindowVisible(notes[0])) << "and shows nothing";

    dialog = OpenFind(*q, true);
    ASSERT_NE(dialog, nullptr) << "the access key F chooses Find in Notes";
    EXPECT_EQ(TextIn(test::FindChild(dialog, L"Edit")), L"apples") << "Cancel kept the last text";
    Keys({VK_DELETE, VK_RETURN});
    EXPECT_FALSE(WaitForDialog(q->pid(), L"", 1000)) << "an empty text brings no message";
    EXPECT_FALSE(IsWindowVisible(notes[0]));
}
