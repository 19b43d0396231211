// Layered note windows: opacity and click-through on real windows.
#include <gtest/gtest.h>

#include "Note.h"
#include "Notes.h"
#include "Support.h"
#include "modWinTrans.h"

namespace {

BYTE AlphaOf(HWND hwnd) {
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    EXPECT_TRUE(GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags));
    return alpha;
}

LONG ExStyle(HWND hwnd) { return GetWindowLongW(hwnd, GWL_EXSTYLE); }

struct Fixture {
    tk::ComPtr<corkbase::Notes> notes = corkbase::Notes::Create();
    std::vector<tk::ComPtr<_Note>> held;

    HWND Add(bool show = true) {
        tk::ComPtr<_Note> n;
        EXPECT_EQ(notes->AddNote(n.put()), S_OK);
        if (show) {
            EXPECT_EQ(n->Show(), S_OK);
        }
        held.push_back(n);
        return static_cast<corkbase::Note*>(n.get())->Window().hWnd();
    }
};

}  // namespace

TEST(Transparency, ModuleOperationsActOnlyOnTheLastLayeredWindow) {
    Fixture f;
    HWND a = f.Add(), b = f.Add();
    EXPECT_EQ(modWinTrans::MakeLayered(nullptr), 0);
    EXPECT_EQ(modWinTrans::MakeLayered(a), 0);
    EXPECT_EQ(modWinTrans::LastLayeredWindow(), a);
    EXPECT_TRUE(ExStyle(a) & WS_EX_LAYERED);
    EXPECT_EQ(AlphaOf(a), 255);

    EXPECT_EQ(modWinTrans::SetLayeredAlpha(a, 300), -1);
    EXPECT_EQ(modWinTrans::SetLayeredAlpha(a, -1), -1);
    EXPECT_EQ(AlphaOf(a), 255);
    EXPECT_EQ(modWinTrans::SetLayeredAlpha(b, 10), 0) << "not the remembered window: nothing happens";
    EXPECT_EQ(AlphaOf(b), 255);
    EXPECT_EQ(modWinTrans::SetLayeredAlpha(a, 0), 0);
    EXPECT_EQ(AlphaOf(a), 0);

    EXPECT_EQ(modWinTrans::SetClickThrough(a, true), 0);
    EXPECT_EQ(ExStyle(a), modWinTrans::SavedExStyle() | WS_EX_LAYERED | WS_EX_TRANSPARENT);
    EXPECT_EQ(modWinTrans::SetClickThrough(b, true), 0);
    EXPECT_FALSE(ExStyle(b) & WS_EX_TRANSPARENT);
}

// Opacity already in place is not asked for again; that must not be taken from memory.
TEST(Transparency, AWindowThatLostItsLayeringIsMadeLayeredAndOpaqueAgain) {
    Fixture f;
    HWND a = f.Add();
    ASSERT_EQ(modWinTrans::MakeLayered(a), 0);
    SetWindowLongW(a, GWL_EXSTYLE, ExStyle(a) & ~WS_EX_LAYERED);
    ASSERT_EQ(modWinTrans::MakeLayered(a), 0);
    EXPECT_TRUE(ExStyle(a) & WS_EX_LAYERED);
    EXPECT_EQ(AlphaOf(a), 255);
    ASSERT_EQ(modWinTrans::SetLayeredAlpha(a, 90), 0);
    ASSERT_EQ(modWinTrans::SetLayeredAlpha(a, 90), 0);
    EXPECT_EQ(AlphaOf(a), 90);
}

TEST(Transparency, FullOpacityWithoutClickThroughLeavesExactlyTheLayeredStyle) {
    Fixture f;
    HWND a = f.Add();
    ASSERT_EQ(f.notes->put_TransparencyLevel(255), S_OK);
    EXPECT_EQ(ExStyle(a), WS_EX_LAYERED);
    EXPECT_EQ(AlphaOf(a), 255);
}

TEST(Transparency, LevelSetsTheWindowsOpacity) {
    Fixture f;
    HWND a = f.Add();
    ASSERT_EQ(f.notes->put_TransparencyLevel(128), S_OK);
    EXPECT_EQ(AlphaOf(a), 128);
    ASSERT_EQ(f.notes->put_TransparencyLevel(0), S_OK);
    EXPECT_EQ(AlphaOf(a), 0);
}

TEST(Transparency, LevelsOutsideTheByteGiveFullOpacityWhileClickThroughStillApplies) {
    Fixture f;
    HWND a = f.Add();
    f.notes->put_TransparencyLevel(100);
    ASSERT_EQ(f.notes->put_ThroughClicks(VARIANT_TRUE), S_OK);
    for (long level : {300L, -1L}) {
        ASSERT_EQ(f.notes->put_TransparencyLevel(level), S_OK);
        EXPECT_EQ(AlphaOf(a), 255) << level;
        EXPECT_TRUE(ExStyle(a) & WS_EX_TRANSPARENT) << level;
    }
}

TEST(Transparency, ClickThroughOnThenOffClearsTheTransparentBit) {
    Fixture f;
    HWND a = f.Add();
    ASSERT_EQ(f.notes->put_ThroughClicks(VARIANT_TRUE), S_OK);
    EXPECT_EQ(ExStyle(a) & (WS_EX_LAYERED | WS_EX_TRANSPARENT), WS_EX_LAYERED | WS_EX_TRANSPARENT);
    ASSERT_EQ(f.notes->put_ThroughClicks(VARIANT_FALSE), S_OK);
    EXPECT_EQ(ExStyle(a), WS_EX_LAYERED);
}

TEST(Transparency, HiddenNotesAreUntouchedUntilShowAllShowsThem) {
    Fixture f;
    HWND shown = f.Add(), hidden = f.Add(false);
    f.held.back()->Hide();
    ASSERT_EQ(f.notes->put_TransparencyLevel(90), S_OK);
    ASSERT_EQ(f.notes->put_ThroughClicks(VARIANT_TRUE), S_OK);
    EXPECT_EQ(AlphaOf(shown), 90);
    EXPECT_EQ(AlphaOf(hidden), 255);
    EXPECT_FALSE(ExStyle(hidden) & WS_EX_TRANSPARENT);
    ASSERT_EQ(f.notes->ShowAll(), S_OK);
    EXPECT_EQ(AlphaOf(hidden), 90);
    EXPECT_TRUE(ExStyle(hidden) & WS_EX_TRANSPARENT);
}

TEST(Transparency, AnOptionChangeLeavesTheLastVisibleNoteInFront) {
    Fixture f;
    f.Add();
    f.Add();
    HWND last = f.Add();
    test::Pump(50);
    SetForegroundWindow(static_cast<corkbase::Note*>(f.held[0].get())->Window().hWnd());
    test::Pump(50);
    ASSERT_EQ(f.notes->put_TransparencyLevel(200), S_OK);
    test::Pump(50);
    EXPECT_EQ(GetForegroundWindow(), last);
}

TEST(Transparency, NotesStayOffTheTaskbarWhateverTheirExtendedStyle) {
    Fixture f;
    HWND a = f.Add();
    f.notes->put_ThroughClicks(VARIANT_FALSE);
    EXPECT_EQ(ExStyle(a), WS_EX_LAYERED) << "no tool-window bit";
    EXPECT_NE(GetWindow(a, GW_OWNER), nullptr) << "an owned window gets no taskbar button";
}
