// The resize grips' arithmetic, through their event routines.
#include <gtest/gtest.h>

#include "Note.h"
#include "Support.h"

using corkbase::frmNote;

namespace {

struct Window {
    tk::ComPtr<corkbase::Note> note = corkbase::Note::Create();
    frmNote& w = note->Window();
    Window(float width, float height) {
        w.SetLeft(3000);
        w.SetTop(3000);
        w.SetWidth(width);
        w.SetHeight(height);
    }
};

tk::MouseEvent At(float x, float y = 0) { return {1, 0, x, y}; }

}  // namespace

TEST(Grips, TheLeftGripMovesTheLeftEdgeAndStopsShrinkingBelow470) {
    Window n(470, 1300);
    n.w.Picture2.MouseDown(At(0));
    n.w.Picture2.MouseMove(At(100));
    EXPECT_EQ(n.w.Width(), 370) << "at 470 a shrinking move still counts";
    EXPECT_EQ(n.w.Left(), 3100);
    n.w.Picture2.MouseMove(At(10));
    EXPECT_EQ(n.w.Width(), 370) << "below 470 shrinking is ignored";
    n.w.Picture2.MouseMove(At(-50));
    EXPECT_EQ(n.w.Width(), 420) << "growing is applied";
    EXPECT_EQ(n.w.Left(), 3050);
    EXPECT_EQ(n.w.Picture4.Left(), 370);
    EXPECT_EQ(n.w.txtNote.Width(), 320);
    EXPECT_EQ(n.w.Picture3.Width(), 420);
    n.w.Picture2.MouseUp(At(0));
    EXPECT_EQ(n.w.GripMode, 0);
}

TEST(Grips, TheRightGripPutsItsLeftEdgeAtThePointer) {
    Window n(2500, 1300);
    n.w.Picture4.MouseDown(At(0));
    n.w.Picture4.MouseMove(At(200));
    EXPECT_EQ(n.w.Width(), 2450 + 50 + 200);
    EXPECT_EQ(n.w.Picture4.Left(), 2650);
    n.w.Picture4.MouseMove(At(-2400));
    EXPECT_EQ(n.w.Width(), 300) << "one move may go below the minimum";
    n.w.Picture4.MouseMove(At(-10));
    EXPECT_EQ(n.w.Width(), 300);
}

TEST(Grips, TheBottomGripStopsShrinkingBelow270) {
    Window n(2500, 269);
    n.w.Picture3.MouseDown(At(0));
    n.w.Picture3.MouseMove(At(0, 0));
    n.w.Picture3.MouseMove(At(0, -5));
    EXPECT_EQ(n.w.Height(), 269);
    float gripBottom = n.w.Picture3.Top() + n.w.Picture3.Height();
    n.w.Picture3.MouseMove(At(500, 10));
    EXPECT_EQ(n.w.Height(), gripBottom + 10) << "only Y counts";
    EXPECT_EQ(n.w.Picture3.Top(), n.w.ScaleHeight() - 50);
}

TEST(Grips, MovesOverAnotherGripThanThePressedOneDoNothing) {
    Window n(2500, 1300);
    n.w.Picture2.MouseDown(At(0));
    n.w.Picture4.MouseMove(At(300));
    n.w.Picture3.MouseMove(At(0, 300));
    EXPECT_EQ(n.w.Width(), 2500);
    EXPECT_EQ(n.w.Height(), 1300);
}

TEST(Grips, ARefusedSizeEndsTheMoveWithTheEarlierStepsKept) {
    Window n(470, 1300);
    n.w.Picture2.MouseDown(At(0));
    n.w.Picture2.MouseMove(At(600));
    EXPECT_EQ(n.w.Left(), 3600) << "the left edge moved before the width was refused";
    EXPECT_EQ(n.w.Width(), 470);
}
