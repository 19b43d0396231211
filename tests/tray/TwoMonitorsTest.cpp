// Notes on a desktop of two 1024 x 768 monitors side by side, the primary on the left
// (run-tray.sh runs these there): each note stays on the monitor it is on.
#include "Person.h"
#include "TrayFixture.h"

using namespace tray;

namespace {

// The second monitor's right edge in twips.
constexpr long SecondRight = 30720;

class TwoMonitors : public Tray {
protected:
    void SetUp() override {
        ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2) << "this display has not two monitors: run through ./scripts/test";
        Tray::SetUp();
    }

    // Stores a visible note; the notes tell each other apart by their widths.
    void StoreNote(int n, long left, long width) {
        std::wstring section = L"note" + std::to_wstring(n);
        store.Put(L"General", L"notes", std::to_wstring(n));
        store.Put(section, L"visible", L"-1");
        store.Put(section, L"left", std::to_wstring(left));
        store.Put(section, L"top", L"3000");
        store.Put(section, L"width", std::to_wstring(width));
        store.Put(section, L"height", L"1300");
    }

    // The visible note window of the width, once it is shown.
    HWND NoteOfWidth(const Qpost& q, long width) {
        HWND found = nullptr;
        WaitFor([&] {
            for (HWND note : q.Notes()) {
                RECT rc = RectOf(note);
                if (IsWindowVisible(note) && rc.right - rc.left == test::PixelsOf(width)) found = note;
            }
            return found != nullptr;
        });
        return found;
    }

    static bool LeftIs(HWND note, long twips) { return RectOf(note).left == test::PixelsOf(twips); }
};

}  // namespace

TEST_F(TwoMonitors, AClickOnTheIconKeepsANoteOnTheSecondMonitorAndBringsBackOneBeyondIt) {
    StoreNote(1, 23040, 2500);
    StoreNote(2, 40000, 3000);
    auto q = Start();
    HWND onSecond = NoteOfWidth(*q, 2500), beyond = NoteOfWidth(*q, 3000);
    ASSERT_NE(onSecond, nullptr);
    ASSERT_NE(beyond, nullptr);
    q->TrayEvent(WM_LBUTTONDOWN);
    EXPECT_TRUE(WaitFor([&] { return LeftIs(beyond, SecondRight - 3000); }))
        << "beyond both monitors, left at pixel " << RectOf(beyond).left;
    EXPECT_TRUE(LeftIs(onSecond, 23040)) << "left at pixel " << RectOf(onSecond).left;
}

TEST_F(TwoMonitors, ANoteReleasedNearTheSecondMonitorsRightEdgeSnapsToIt) {
    StoreNote(1, 25020, 2500);
    auto q = Start();
    HWND note = NoteOfWidth(*q, 2500);
    ASSERT_NE(note, nullptr);
    // 206 pixels right: its right edge ends 110 twips inside the second monitor's.
    POINT from = TitleBarOf(note);
    Drag(from, {from.x + 206, from.y});
    EXPECT_TRUE(WaitFor([&] { return LeftIs(note, SecondRight - 2500); }))
        << "released, left at pixel " << RectOf(note).left;
}

TEST_F(TwoMonitors, ANoteNoMonitorShowsAfterADisplayChangeComesBackAndTheOthersStay) {
    StoreNote(1, 23040, 2500);
    StoreNote(2, 40000, 3000);
    StoreNote(3, -300, 2000);  // partly on the primary: Show would move it, a display change does not
    auto q = Start();
    HWND onSecond = NoteOfWidth(*q, 2500), beyond = NoteOfWidth(*q, 3000), partly = NoteOfWidth(*q, 2000);
    ASSERT_TRUE(onSecond && beyond && partly);
    // Posted in this order: once the last has moved, the others have had theirs.
    for (HWND note : {partly, onSecond, beyond}) PostMessageW(note, WM_DISPLAYCHANGE, 32, MAKELPARAM(2048, 768));
    EXPECT_TRUE(WaitFor([&] { return LeftIs(beyond, SecondRight - 3000); }))
        << "left at pixel " << RectOf(beyond).left;
    EXPECT_TRUE(LeftIs(onSecond, 23040)) << "left at pixel " << RectOf(onSecond).left;
    EXPECT_TRUE(LeftIs(partly, -300)) << "left at pixel " << RectOf(partly).left;
}

TEST_F(TwoMonitors, TheFindDialogOpensWholeOnItsNotesMonitor) {
    StoreNote(1, SecondRight - 2500, 2500);
    auto q = Start();
    HWND note = NoteOfWidth(*q, 2500);
    ASSERT_NE(note, nullptr);
    test::Click(TextOf(note));
    test::KeyChord({VK_CONTROL, 'F'});
    HWND dialog = WaitForWindow(q->pid(), L"CorkbaseInputbox");
    ASSERT_NE(dialog, nullptr) << "no find dialog";
    MONITORINFO info{.cbSize = sizeof(MONITORINFO)};
    GetMonitorInfoW(MonitorFromWindow(note, MONITOR_DEFAULTTONEAREST), &info);
    RECT rc = RectOf(dialog), work = info.rcWork;
    // Centred over the note it would reach past the right edge: it ends flush with it.
    EXPECT_EQ(rc.right, work.right);
    EXPECT_GE(rc.left, work.left);
    EXPECT_LE(rc.bottom, work.bottom);
    EXPECT_LT(rc.left, RectOf(note).right) << "over its note";
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); }));
}
