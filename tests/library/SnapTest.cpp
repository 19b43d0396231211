// The snapping arithmetic, case by case, and the screen edges on release.
#include <gtest/gtest.h>

#include "Note.h"
#include "Notes.h"
#include "Snapping.h"
#include "Support.h"

using corkbase::frmNote;
using corkbase::SnapDistance;
using corkbase::SnapNote;
using corkbase::SnapOffsets;

namespace {

constexpr int32_t Reach = SnapDistance - 1;  // the farthest that still snaps

constexpr int32_t SW = 15360, SH = 11520;  // a 1024 x 768 screen in twips

// The window being released: left 1000, top 5000, 2500 x 1300, note 1.
SnapOffsets Snap(const std::vector<SnapNote>& others) {
    return corkbase::GetSnapOffsets(1000, 5000, 2500, 1300, others, 1, SW, SH);
}

SnapNote At(int32_t left, int32_t top, int32_t width = 100, int32_t height = 100, int32_t id = 2) {
    return {true, id, left, top, width, height};
}

}  // namespace

TEST(Snap, NothingInReachGivesNoShift) {
    EXPECT_EQ(Snap({}), (SnapOffsets{0, 0}));
    EXPECT_EQ(Snap({At(9000, 200)}), (SnapOffsets{0, 0}));
}

TEST(Snap, TheSnapDistanceIs150Twips) { EXPECT_EQ(SnapDistance, 150); }

TEST(Snap, AlignsOnlyStrictlyWithinTheSnapDistance) {
    EXPECT_EQ(Snap({At(1000 + Reach, 0)}).dx, Reach);
    EXPECT_EQ(Snap({At(1000 + SnapDistance, 0)}).dx, 0);
    EXPECT_EQ(Snap({At(1000 - Reach, 0, 5000)}).dx, -Reach);
    EXPECT_EQ(Snap({At(1000 - SnapDistance, 0, 5000)}).dx, 0);
    EXPECT_EQ(Snap({At(0, 5000 + Reach)}).dy, Reach);
    EXPECT_EQ(Snap({At(0, 5000 + SnapDistance)}).dy, 0);
}

TEST(Snap, EachEdgeAlignsWithTheEdgesTheTableNames) {
    EXPECT_EQ(Snap({At(3600, 0)}).dx, 100) << "right edge against the other's left edge";
    EXPECT_EQ(Snap({At(800, 0, 250)}).dx, 50) << "left edge against the other's right edge";
    EXPECT_EQ(Snap({At(3000, 0, 540)}).dx, 40) << "right edges aligned";
    EXPECT_EQ(Snap({At(0, 6350)}).dy, 50) << "bottom edge against the other's top edge";
    EXPECT_EQ(Snap({At(0, 4800, 100, 170)}).dy, -30) << "top edge against the other's bottom edge";
}

TEST(Snap, ALaterLeftEdgeReplacesANearerCandidate) {
    // 20 through the other's right edge, then 100 through a later note's left edge.
    EXPECT_EQ(Snap({At(20, 0, 1000), At(1100, 0, 5000, 100, 3)}).dx, 100);
}

TEST(Snap, EqualMagnitudesOfOppositeSignTakeTheLaterNote) {
    EXPECT_EQ(Snap({At(30, 0, 1000), At(3000, 0, 470, 100, 3)}).dx, -30);
    EXPECT_EQ(Snap({At(3000, 0, 470, 100, 3), At(30, 0, 1000)}).dx, 30);
}

TEST(Snap, HiddenNotesAndTheOwnNoteNeverAttract) {
    SnapNote hidden = At(1100, 0);
    hidden.visible = false;
    EXPECT_EQ(Snap({hidden}).dx, 0);
    EXPECT_EQ(Snap({At(1100, 0, 100, 100, 1)}).dx, 0);
}

TEST(Snap, AnOverflowEndsTheScanWithTheCandidatesSoFar) {
    EXPECT_EQ(Snap({At(20, 0, 1000), At(INT32_MAX, 0, 10, 100, 3), At(1100, 0, 5000, 100, 4)}).dx, 20);
    // The left edges align in the first test; the overflow in the third keeps that candidate.
    EXPECT_EQ(Snap({At(1040, 0, INT32_MAX)}).dx, 40);
}

namespace {

// A shown note released with the left button where it stands; the only note.
struct Released {
    tk::ComPtr<corkbase::Notes> notes = corkbase::Notes::Create();
    tk::ComPtr<_Note> note;
    frmNote* w = nullptr;

    Released(float left, float top, float width = 2500, float height = 1300) {
        notes->AddNote(note.put());
        note->Show();
        w = &static_cast<corkbase::Note*>(note.get())->Window();
        w->SetWidth(width);
        w->SetHeight(height);
        w->SetLeft(left);
        w->SetTop(top);
        w->lbTitleBar.MouseDown({1, 0, 10, 10});
        w->lbTitleBar.MouseUp({1, 0, 10, 10});
    }
};

}  // namespace

TEST(Snap, ScreenEdgesPullWithinTheSnapDistanceOrBeyond) {
    float sw = static_cast<float>(test::ScreenWidthTwips()), sh = static_cast<float>(test::ScreenHeightTwips());
    const float reach = Reach, distance = SnapDistance;
    EXPECT_EQ(Released(reach, 3000).w->Left(), 0);
    EXPECT_EQ(Released(-700, 3000).w->Left(), 0);
    EXPECT_EQ(Released(distance, 3000).w->Left(), distance);
    EXPECT_EQ(Released(3000, reach).w->Top(), 0);
    EXPECT_EQ(Released(3000, distance).w->Top(), distance);
    EXPECT_EQ(Released(sw - 2500 - reach, 3000).w->Left(), sw - 2500) << "just within reach of the right edge";
    EXPECT_EQ(Released(sw - 2500 - distance, 3000).w->Left(), sw - 2500 - distance)
        << "exactly the distance inside stays";
    EXPECT_EQ(Released(3000, sh - 1300 - reach).w->Top(), sh - 1300);
    EXPECT_EQ(Released(3000, sh - 1300 - distance).w->Top(), sh - 1300 - distance);
    EXPECT_EQ(Released(3000, sh).w->Top(), sh - 1300) << "beyond the bottom";
}

TEST(Snap, AWindowWiderThanTheScreenEndsFlushRight) {
    float sw = static_cast<float>(test::ScreenWidthTwips());
    EXPECT_EQ(Released(500, 3000, sw + 600).w->Left(), -600);
}

TEST(Snap, ReleasingNextToAnotherNoteAlignsWithIt) {
    auto notes = corkbase::Notes::Create();
    tk::ComPtr<_Note> a, b;
    notes->AddNote(a.put());
    notes->AddNote(b.put());
    a->put_Left(3000);
    a->put_Top(3000);
    a->Show();
    b->Show();
    frmNote& w = static_cast<corkbase::Note*>(b.get())->Window();
    w.SetLeft(5560);  // 60 right of a's right edge
    w.SetTop(3100);   // 100 below a's top edge
    w.lbTitleBar.MouseDown({1, 0, 10, 10});
    w.lbTitleBar.MouseUp({1, 0, 10, 10});
    EXPECT_EQ(w.Left(), 5500);
    EXPECT_EQ(w.Top(), 3000);
    a->Hide();
    w.SetLeft(5560);
    w.lbTitleBar.MouseDown({1, 0, 10, 10});
    w.lbTitleBar.MouseUp({1, 0, 10, 10});
    EXPECT_EQ(w.Left(), 5560) << "a hidden note does not attract";
}

TEST(Snap, RetMinPrefersTheSecondOnEqualMagnitudes) {
    auto retMin = [](int32_t a, int32_t b) { return corkbase::RetMin(a, b); };
    EXPECT_EQ(retMin(-100, 100), 100);
    EXPECT_EQ(retMin(-99, 100), -99);
    EXPECT_EQ(retMin(0, 0), 0);
    EXPECT_EQ(retMin(5, -3), -3);
    EXPECT_EQ(retMin(INT32_MIN, 7), 7) << "no overflow taking the magnitude of the smallest integer";
}
