// Where Show and a release put a note against its monitor's edges: on one monitor the
// screen's figures, on a second monitor the same against its own edges.
#include <gtest/gtest.h>

#include "MonitorEdges.h"
#include "Snapping.h"

using corkbase::NotePlace;
using corkbase::PulledToEdges;
using corkbase::ShownOnMonitor;

namespace {

// 1024 x 768 monitors in twips: the primary, and a second one to its right.
constexpr tk::TwipsEdges Primary{0, 0, 15360, 11520};
constexpr tk::TwipsEdges Second{15360, 0, 30720, 11520};
constexpr float TitleBar = 135;
// The monitor's edges pull from as far as other notes do.
constexpr float Distance = corkbase::SnapDistance, Reach = Distance - 1;

NotePlace Shown(float left, float top, const tk::TwipsEdges& monitor = Primary) {
    return ShownOnMonitor(left, top, 2500, 1300, TitleBar, monitor);
}

NotePlace Pulled(float left, float top, const tk::TwipsEdges& monitor = Primary, float width = 2500) {
    return PulledToEdges(left, top, width, 1300, monitor);
}

}  // namespace

TEST(MonitorEdges, ShowOnOneMonitorGivesTheScreensFigures) {
    EXPECT_EQ(Shown(15360, 3000), (NotePlace{15360, 3000}));  // the test is strictly beyond
    EXPECT_EQ(Shown(15361, 3000), (NotePlace{12860, 3000}));
    EXPECT_EQ(Shown(3000, 11521), (NotePlace{3000, 10220}));
    EXPECT_EQ(Shown(-300, 3000), (NotePlace{0, 3000}));
    EXPECT_EQ(Shown(3000, -135), (NotePlace{3000, -135}));  // the title bar still reaches in
    EXPECT_EQ(Shown(3000, -136), (NotePlace{3000, 0}));
}

TEST(MonitorEdges, ShowKeepsANoteOnTheSecondMonitorAndBringsOneBackOntoIt) {
    EXPECT_EQ(Shown(23040, 3000, Second), (NotePlace{23040, 3000}));
    EXPECT_EQ(Shown(40000, 12000, Second), (NotePlace{28220, 10220}));
    EXPECT_EQ(Shown(15000, -500, Second), (NotePlace{15360, 0}));
}

TEST(MonitorEdges, ReleaseOnOneMonitorGivesTheScreensFigures) {
    EXPECT_EQ(Pulled(Reach, Reach), (NotePlace{0, 0}));
    EXPECT_EQ(Pulled(Distance, Distance), (NotePlace{Distance, Distance}));
    EXPECT_EQ(Pulled(-40, 3000), (NotePlace{0, 3000}));
    // Flush right and bottom are 12860 and 10220.
    EXPECT_EQ(Pulled(12860 - Reach, 10220 - Reach), (NotePlace{12860, 10220}));
    EXPECT_EQ(Pulled(12860 - Distance, 10220 - Distance), (NotePlace{12860 - Distance, 10220 - Distance}));
    EXPECT_EQ(Pulled(500, 3000, Primary, 16000), (NotePlace{-640, 3000}));  // wider: flush right wins
}

TEST(MonitorEdges, ReleaseOnTheSecondMonitorPullsToItsOwnEdges) {
    EXPECT_EQ(Pulled(28110, 3000, Second), (NotePlace{28220, 3000}));
    EXPECT_EQ(Pulled(15500, 3000, Second), (NotePlace{15360, 3000}));
    EXPECT_EQ(Pulled(20000, 3000, Second), (NotePlace{20000, 3000}));
}
