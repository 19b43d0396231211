// The note window's events and its cost in window-system objects.
#include <gtest/gtest.h>

#include "Gdi.h"
#include "Note.h"
#include "Notes.h"
#include "Support.h"

using NoteObject = corkbase::Note;
using corkbase::frmNote;

namespace {

// Windows a note holds: its window, its children and the tool tip it owns.
int WindowsHeldBy(HWND note) {
    int count = 1;
    EnumChildWindows(
        note,
        [](HWND, LPARAM lp) -> BOOL {
            ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    for (HWND w : test::WindowsOfClass(L"tooltips_class32"))
        if (GetWindow(w, GW_OWNER) == note) ++count;
    return count;
}

}  // namespace

TEST(Window, SetNoteColorPaintsEveryPartOfTheNote) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.SetNoteColor(0x80FF80);
    for (auto c : {w.BackColor(), w.txtNote.BackColor(), w.lbTitleBar.BackColor(), w.lblClose.BackColor(),
                   w.Picture2.BackColor(), w.Picture3.BackColor(), w.Picture4.BackColor()})
        EXPECT_EQ(c, 0x80FF80u);
}

TEST(Window, ActivationTakesTheColourOfTheTitleBarButLeavesTheText) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.SetNoteColor(0xC0FFFF);
    w.lbTitleBar.SetBackColor(0xFFFF80);
    w.Show();
    SendMessageW(w.hWnd(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(w.BackColor(), 0xFFFF80u);
    EXPECT_EQ(w.lblClose.BackColor(), 0xFFFF80u);
    EXPECT_EQ(w.Picture2.BackColor(), 0xFFFF80u);
    EXPECT_EQ(w.Picture3.BackColor(), 0xFFFF80u);
    EXPECT_EQ(w.Picture4.BackColor(), 0xFFFF80u);
    EXPECT_EQ(w.txtNote.BackColor(), 0xC0FFFFu);
}

TEST(Window, SystemColourReferencesAreResolvedWhenPainting) {
    EXPECT_EQ(tk::ResolveColor(0x8000000F), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(tk::ResolveColor(0x80000001), GetSysColor(COLOR_BACKGROUND));
    EXPECT_EQ(tk::ResolveColor(0xC0FFFF), 0xC0FFFFu);
}

TEST(Window, ARepaintEndsADrag) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.Show();
    test::Pump(100);
    w.Dragging = true;
    RedrawWindow(w.hWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_FALSE(w.Dragging);
}

TEST(Window, MovingAShownWindowDoesNotRepaintIt) {
    // A drag keeps going while the window follows the pointer only if moving it
    // causes no repaint; under Wine's desktop it does not.
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.SetLeft(1500);
    w.SetTop(1500);
    w.Show();
    test::Pump(200);
    w.Dragging = true;
    for (int i = 1; i <= 5; ++i) {
        w.SetLeft(1500.0f + 150.0f * static_cast<float>(i));
        w.SetTop(1500.0f + 90.0f * static_cast<float>(i));
        test::Pump(30);
    }
    EXPECT_TRUE(w.Dragging);
}

TEST(Window, AnIdleNoteHoldsAtMostSixWindowsAndMenusAndCreatesNoGdiObjects) {
    auto notes = corkbase::Notes::Create();
    std::vector<tk::ComPtr<_Note>> held;
    for (int i = 0; i < 3; ++i) {
        tk::ComPtr<_Note> n;
        ASSERT_EQ(notes->AddNote(n.put()), S_OK);
        n->put_Color(i == 0 ? 0xC0FFFF : 0x80FF80);
        auto title = tk::Bstr(L"Title");
        n->put_Title(title.get());
        ASSERT_EQ(n->Show(), S_OK);
        held.push_back(n);
    }
    test::Pump(100);
    int gdiBefore = tk::CreatedGdiObjects();
    for (int i = 0; i < 10; ++i) {
        tk::ComPtr<_Note> n;
        ASSERT_EQ(notes->AddNote(n.put()), S_OK);
        n->put_Color(0xC0FFFF);
        ASSERT_EQ(n->Show(), S_OK);
        held.push_back(n);
    }
    test::Pump(100);
    EXPECT_EQ(tk::CreatedGdiObjects(), gdiBefore) << "fonts and brushes are shared between notes";
    for (HWND w : test::WindowsOfClass(L"CorkbaseNote")) {
        EXPECT_LE(WindowsHeldBy(w), 6);
        EXPECT_EQ(GetMenu(w), nullptr) << "the context menu exists only while open";
    }
}

TEST(Window, ReleasingANoteDestroysItsWindow) {
    auto notes = corkbase::Notes::Create();
    {
        tk::ComPtr<_Note> n;
        ASSERT_EQ(notes->AddNote(n.put()), S_OK);
        ASSERT_EQ(n->Show(), S_OK);
    }
    EXPECT_EQ(test::WindowsOfClass(L"CorkbaseNote").size(), 1u);
    long id = 1, result = 0;
    notes->DeleteNote(&id, &result);
    EXPECT_TRUE(test::WindowsOfClass(L"CorkbaseNote").empty());
}

TEST(Window, OnceEveryNoteIsGoneTheLibraryLetsGoOfEveryWindowAndGdiObject) {
    {
        auto notes = corkbase::Notes::Create();
        for (OLE_COLOR color : {0xC0FFFFu, 0x80FF80u, 0x8000000Fu}) {
            tk::ComPtr<_Note> n;
            ASSERT_EQ(notes->AddNote(n.put()), S_OK);
            ASSERT_EQ(n->put_Color(static_cast<long>(color)), S_OK);
            ASSERT_EQ(n->Show(), S_OK);
        }
        test::Pump(100);
        EXPECT_GT(tk::CreatedGdiObjects(), 0);
    }
    test::Pump(50);
    EXPECT_TRUE(test::WindowsOfClass(L"CorkbaseNote").empty());
    corkbase::ReleaseWindowResources();  // what unloading the library does
    EXPECT_EQ(tk::CreatedGdiObjects(), 0);
    EXPECT_TRUE(test::WindowsOfClass(L"CorkbaseNoteOwner").empty());
    EXPECT_TRUE(test::WindowsOfClass(L"tooltips_class32").empty());
}
