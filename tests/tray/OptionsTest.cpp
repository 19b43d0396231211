// The options dialog: opening values, Cancel, OK, clamping, and where it opens.
#include "TrayFixture.h"

#include <commctrl.h>

using namespace tray;

namespace {

struct OptionsDialog {
    HWND hwnd = nullptr, slider = nullptr, check = nullptr;
    int Level() const { return static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0)); }
    bool Checked() const { return SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED; }
};

BYTE AlphaOf(HWND hwnd) {
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags);
    return alpha;
}

}  // namespace

class Options : public Tray {
protected:
    OptionsDialog Open(Qpost& q) {
        Choose(q, {L"Options..."});
        OptionsDialog d;
        d.hwnd = WaitForWindow(q.pid(), L"QuillpostOptions");
        EXPECT_NE(d.hwnd, nullptr) << "the options dialog did not open";
        if (!d.hwnd) return d;
        d.slider = test::FindChild(d.hwnd, L"msctls_trackbar32");
        d.check = ChildWithText(d.hwnd, L"Allow Through Clicks");
        return d;
    }
};

TEST_F(Options, OpensWithTheCurrentValuesNearTheBottomRightCorner) {
    auto q = Start();
    auto d = Open(*q);
    ASSERT_TRUE(d.hwnd && d.slider && d.check);
    wchar_t caption[32] = {};
    GetWindowTextW(d.hwnd, caption, 32);
    EXPECT_STREQ(caption, L"Options");
    EXPECT_FALSE(d.Checked());
    EXPECT_EQ(d.Level(), 255) << "the slider's right end";
    EXPECT_EQ(SendMessageW(d.slider, TBM_GETRANGEMIN, 0, 0), 25);
    EXPECT_EQ(SendMessageW(d.slider, TBM_GETRANGEMAX, 0, 0), 255);
    EXPECT_EQ(SendMessageW(d.slider, TBM_GETPAGESIZE, 0, 0), 16);
    RECT rc, work;
    GetWindowRect(d.hwnd, &rc);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    long tpp = test::TwipsPerPixel();
    EXPECT_NEAR(rc.left, (test::ScreenWidthTwips() - 2835 - 1000) / tpp, 1);
    // The designed top, 1430 twips above the screen's bottom, would hide the buttons.
    EXPECT_EQ(rc.bottom, work.bottom) << "moved up just enough to show whole";
    EXPECT_LT(rc.top, (test::ScreenHeightTwips() - 930 - 500) / tpp);
    Press(d.hwnd, L"Cancel");
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(d.hwnd) || !IsWindowVisible(d.hwnd); }));
}

TEST_F(Options, CancelKeepsTheOptionsAndOkAppliesThemToEveryNote) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"note1", L"visible", L"-1");
    store.Put(L"note2", L"visible", L"-1");
    auto q = Start();
    auto notes = q->WaitForNotes(2, 2);
    ASSERT_EQ(notes.size(), 2u);

    auto d = Open(*q);
    SendMessageW(d.slider, TBM_SETPOS, TRUE, 100);
    Press(d.hwnd, L"Cancel");
    Sleep(300);
    EXPECT_EQ(AlphaOf(notes[0]), 255) << "Cancel changes nothing";

    d = Open(*q);
    SendMessageW(d.slider, TBM_SETPOS, TRUE, 100);
    Press(d.hwnd, L"Allow Through Clicks");
    Sleep(100);
    Press(d.hwnd, L"OK");
    EXPECT_TRUE(WaitFor([&] { return AlphaOf(notes[0]) == 100 && AlphaOf(notes[1]) == 100; }));
    EXPECT_TRUE(GetWindowLongW(notes[0], GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_TRUE(GetWindowLongW(notes[1], GWL_EXSTYLE) & WS_EX_TRANSPARENT);

    d = Open(*q);
    EXPECT_EQ(d.Level(), 100) << "a fresh dialog shows what the last OK wrote";
    EXPECT_TRUE(d.Checked());
    Keys({VK_ESCAPE});
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(d.hwnd) || !IsWindowVisible(d.hwnd); })) << "Esc cancels";
    EXPECT_EQ(AlphaOf(notes[0]), 100);
}

TEST_F(Options, OkWithoutMovingTheSliderKeepsTheLevelTheNotesHad) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"General", L"level", L"-1");
    store.Put(L"note1", L"visible", L"-1");
    auto q = Start();
    auto notes = q->WaitForNotes(1);
    ASSERT_EQ(notes.size(), 1u);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(notes[0]) && AlphaOf(notes[0]) == 255; }));
    for (auto [stored, opens] : {std::pair{L"-1", 255}, std::pair{L"300", 255}, std::pair{L"0", 25}}) {
        SCOPED_TRACE(test::Narrow(stored));
        if (std::wstring(stored) != L"-1") {
            q->Kill();  // exits in order, saving
            store.Put(L"General", L"level", stored);
            q = Start();
            notes = q->WaitForNotes(1, 1);
            ASSERT_EQ(notes.size(), 1u);
        }
        auto d = Open(*q);
        EXPECT_EQ(d.Level(), opens) << "the slider's end nearest to how the notes look";
        Press(d.hwnd, L"OK");
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(d.hwnd) || !IsWindowVisible(d.hwnd); }));
        Choose(*q, {L"Save All"});
        EXPECT_TRUE(WaitFor([&] { return Stored(L"General", L"level") == stored; }));
        if (opens == 255) {
            EXPECT_EQ(AlphaOf(notes[0]), 255) << "the notes stay opaque";
        }
    }
}

TEST_F(Options, WhileOpenTheIconBringsItForwardAndOpensNothingElse) {
    auto q = Start();
    auto d = Open(*q);
    ASSERT_TRUE(d.hwnd);
    q->TrayEvent(WM_RBUTTONDOWN);    // would open the menu, and from it a second dialog
    q->TrayEvent(WM_LBUTTONDBLCLK);  // would make a note
    EXPECT_EQ(WaitForWindow(q->pid(), L"#32768", 1500), nullptr) << "no menu opens";
    EXPECT_TRUE(q->Notes().empty()) << "no note is made";
    EXPECT_EQ(GetForegroundWindow(), d.hwnd) << "the open dialog comes forward";
    Press(d.hwnd, L"Cancel");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(d.hwnd); }));
    q->TrayEvent(WM_LBUTTONDBLCLK);
    EXPECT_EQ(q->WaitForNotes(1).size(), 1u) << "once it is answered, the icon acts again";
}
