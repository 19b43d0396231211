// The note window's layout arithmetic: the load and resize sequences, collapsing.
#include <gtest/gtest.h>

#include "Note.h"
#include "Support.h"
#include "TextBox.h"

using NoteObject = corkbase::Note;
using corkbase::frmNote;

namespace {

struct Rect {
    float left, top, width, height;
    bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << r.left << ", " << r.top << ", " << r.width << " x " << r.height;
}

template <class C>
Rect Of(C& c) {
    return {c.Left(), c.Top(), c.Width(), c.Height()};
}

}  // namespace

TEST(Layout, ALoadedNoteHasTheDesignedControlRectangles) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    ASSERT_EQ(w.ScaleWidth(), 2500);
    ASSERT_EQ(w.ScaleHeight(), 1300);
    EXPECT_EQ(Of(w.lblClose), (Rect{2370, 0, 130, 122}));
    EXPECT_EQ(Of(w.lbTitleBar), (Rect{0, 0, 2370, 130}));
    EXPECT_EQ(Of(w.txtNote), (Rect{50, 130, 2400, 1120}));
    EXPECT_EQ(Of(w.Picture2), (Rect{0, 130, 50, 1170}));
    EXPECT_EQ(Of(w.Picture4), (Rect{2450, 130, 50, 1170}));
    EXPECT_EQ(Of(w.Picture3), (Rect{0, 1250, 2500, 50}));
}

namespace {

// The text box window's rectangle in its note's client pixels.
RECT TextBoxRect(frmNote& w) {
    RECT rc;
    GetWindowRect(w.txtNote.hWnd(), &rc);
    MapWindowPoints(nullptr, w.hWnd(), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

}  // namespace

TEST(Layout, TheTextBoxWindowSitsAtItsPixelRectangle) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.Show();
    RECT rc = TextBoxRect(w);
    long tpp = test::TwipsPerPixel();
    EXPECT_EQ(rc.left, (50 + tpp / 2) / tpp);
    EXPECT_EQ(rc.top, (130 + tpp / 2) / tpp);
    EXPECT_EQ(rc.right, (2450 + tpp / 2) / tpp);
    EXPECT_EQ(rc.bottom, (1250 + tpp / 2) / tpp);
}

TEST(Layout, AHiddenNoteResizedPlacesItsTextBoxWhenShown) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.SetWidth(4000);
    w.SetHeight(2000);
    w.Show();
    RECT rc = TextBoxRect(w);
    long tpp = test::TwipsPerPixel();
    EXPECT_EQ(rc.right, (3950 + tpp / 2) / tpp);
    EXPECT_EQ(rc.bottom, (1950 + tpp / 2) / tpp);
    w.SetWidth(3000);  // and a shown one at once
    EXPECT_EQ(TextBoxRect(w).right, (2950 + tpp / 2) / tpp);
}

TEST(Layout, EverySizeChangeLaysTheControlsOutBeforeTheStatementGoesOn) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.SetWidth(4000);
    EXPECT_EQ(w.lblClose.Left(), 3870);
    EXPECT_EQ(w.Picture4.Left(), 3950);
    EXPECT_EQ(w.txtNote.Width(), 3900);
    w.SetHeight(2000);
    EXPECT_EQ(w.Picture3.Top(), 1950);
    EXPECT_EQ(w.txtNote.Height(), 1820);
    EXPECT_EQ(w.Picture2.Height(), 1870);
}

TEST(Layout, AWindowSmallerThanItsControlsKeepsSizesAtZero) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.SetWidth(100);
    w.SetHeight(100);
    EXPECT_EQ(w.lbTitleBar.Width(), 0);
    EXPECT_EQ(w.txtNote.Width(), 0);
    EXPECT_EQ(w.txtNote.Height(), 0);
    EXPECT_EQ(w.lblClose.Left(), -30) << "positions may go negative; sizes may not";
}

TEST(Layout, CollapsingRemembersTheHeightRoundedHalfToEven) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.SetHeight(1500.5f);
    w.Show();
    w.Collapse();
    EXPECT_EQ(w.Height(), 210);
    EXPECT_TRUE(w.IsCollapsed());
    EXPECT_FALSE(IsWindowVisible(w.txtNote.hWnd())) << "nothing of the text area shows below the title bar";
    w.Collapse();
    EXPECT_EQ(w.Height(), 1500) << "1500.5 was remembered as 1500";
    EXPECT_FALSE(w.IsCollapsed());
    EXPECT_TRUE(IsWindowVisible(w.txtNote.hWnd()));
}

namespace {

// A form whose load step hides its first text box before the boxes' windows exist.
struct TwoBoxes : tk::Form {
    tk::TextBox first{*this, {.left = 100, .top = 100, .width = 1500, .height = 300}};
    tk::TextBox second{*this, {.left = 100, .top = 500, .width = 1500, .height = 300}};
    TwoBoxes() : tk::Form({.className = L"QuillpostTestTwoBoxes", .width = 2000, .height = 1200}) {}
    void Form_Load() override {
        first.SetVisible(false);
        second.SetTop(600);
    }
};

}  // namespace

TEST(Layout, AControlHiddenByTheLoadStepIsMadeHiddenInItsPlaceAndOrderAndNeverTakesTheFocus) {
    TwoBoxes form;
    HWND first = form.first.hWnd(), second = form.second.hWnd();
    ASSERT_TRUE(first && second);
    EXPECT_FALSE(IsWindowVisible(first));
    EXPECT_FALSE(GetWindowLongW(first, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongW(second, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second) << "made in declaration order, the tab order";
    RECT rc{};
    GetWindowRect(second, &rc);
    MapWindowPoints(nullptr, form.hWnd(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.top, test::PixelsOf(600));
    form.Show();
    SetForegroundWindow(form.hWnd());
    test::Pump(100);
    EXPECT_EQ(GetFocus(), second);
}
