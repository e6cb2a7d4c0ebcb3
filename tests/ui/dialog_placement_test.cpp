#include "ui/dialog_placement.h"

#include <gtest/gtest.h>

#include <climits>

namespace xvf {
namespace {

constexpr int32_t kScreenW = 1280;
constexpr int32_t kScreenH = 1024;

// A dialog 220 x 130 pixels, as created at the owner's corner before it is placed.
const Rect kDialog{10, 20, 230, 150};
const Rect kHost{100, 100, 700, 500};

TEST(DialogPlacement, StoredPositionsLeftOrAboveTheScreenAreKept) {
  for (const DialogPosition stored : {DialogPosition{-100, 40}, DialogPosition{40, -100}, DialogPosition{-20, -20},
                                      DialogPosition{0, 0}, DialogPosition{kScreenW - 10, 30},
                                      DialogPosition{30, kScreenH - 1}, DialogPosition{-5000, -5000}}) {
    EXPECT_EQ(PlaceDialog(stored.x, stored.y, kDialog, kHost, kScreenW, kScreenH), stored)
        << stored.x << ", " << stored.y;
  }
}

TEST(DialogPlacement, MarkerOrPositionsAtTheFarEdgesAreCentred) {
  // Centre of the host (400, 300); the dialog's halves 110 and 65.
  const DialogPosition centred{400 - 110, 300 - 65};
  EXPECT_FALSE(IsStoredPositionUsable(-100, -100, kScreenW, kScreenH));
  EXPECT_EQ(PlaceDialog(-100, -100, kDialog, kHost, kScreenW, kScreenH), centred);
  EXPECT_EQ(PlaceDialog(kScreenW, 30, kDialog, kHost, kScreenW, kScreenH), centred);
  EXPECT_EQ(PlaceDialog(30, kScreenH, kDialog, kHost, kScreenW, kScreenH), centred);
  EXPECT_EQ(PlaceDialog(INT_MAX, INT_MAX, kDialog, kHost, kScreenW, kScreenH), centred);
}

TEST(DialogPlacement, HalvesTruncateTowardsZero) {
  // Odd sums: host (101 + 700) / 2 = 400, dialog (11 + 230) / 2 = 120.
  EXPECT_EQ(PlaceDialog(-100, -100, Rect{11, 21, 230, 150}, Rect{101, 101, 700, 500}, kScreenW, kScreenH),
            (DialogPosition{11 + 400 - 120, 21 + 300 - 85}));
  // Negative odd sums: (-3 + 0) / 2 = -1, not -2. Far left of the screen
  // the x is clamped at 0; the y stays inside.
  const DialogPosition p = PlaceDialog(-100, -100, Rect{-3, 0, 0, 100}, Rect{-301, 201, 0, 400}, kScreenW, kScreenH);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0 + 300 - 50);
  const DialogPosition q = PlaceDialog(-100, -100, Rect{0, -3, 100, 0}, Rect{800, -301, 1000, 700}, kScreenW, kScreenH);
  EXPECT_EQ(q.x, 0 + 900 - 50);
  EXPECT_EQ(q.y, -3 + 199 - (-1));
}

TEST(DialogPlacement, ClampedAtTheRightAndBottomEdges) {
  // Centred over a host hanging off the bottom-right corner.
  const Rect host{kScreenW - 100, kScreenH - 80, kScreenW + 300, kScreenH + 220};
  EXPECT_EQ(PlaceDialog(-100, -100, kDialog, host, kScreenW, kScreenH),
            (DialogPosition{kScreenW - 220, kScreenH - 130}));
  // Ending exactly at the edge counts as crossing it (no change then); one
  // pixel short of it is left alone.
  const Rect atEdge{kScreenW - 220, 0, kScreenW, 130};
  EXPECT_EQ(PlaceDialog(-100, -100, atEdge, atEdge, kScreenW, kScreenH).x, kScreenW - 220);
  const Rect inside{kScreenW - 221, kScreenH - 131, kScreenW - 1, kScreenH - 1};
  EXPECT_EQ(PlaceDialog(-100, -100, inside, inside, kScreenW, kScreenH),
            (DialogPosition{kScreenW - 221, kScreenH - 131}));
}

TEST(DialogPlacement, NeverNegativeEvenWhenLargerThanTheScreen) {
  EXPECT_EQ(PlaceDialog(-100, -100, kDialog, Rect{-600, -500, -400, -300}, kScreenW, kScreenH),
            (DialogPosition{0, 0}));
  // Wider and taller than the screen: the edge clamp gives a negative
  // position, which then becomes 0.
  EXPECT_EQ(PlaceDialog(-100, -100, Rect{0, 0, 2000, 1500}, kHost, kScreenW, kScreenH), (DialogPosition{0, 0}));
  // Screen metrics of 0 (no display): still a position at the origin.
  EXPECT_EQ(PlaceDialog(-100, -100, kDialog, kHost, 0, 0), (DialogPosition{0, 0}));
}

TEST(DialogPlacement, ExtremeRectanglesDoNotOverflow) {
  const Rect huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  const Rect far{INT_MAX - 1, INT_MAX - 1, INT_MAX, INT_MAX};
  const DialogPosition a = PlaceDialog(-100, -100, huge, far, kScreenW, kScreenH);
  EXPECT_EQ(a, (DialogPosition{0, 0}));
  const DialogPosition b = PlaceDialog(-100, -100, kDialog, far, kScreenW, kScreenH);
  EXPECT_EQ(b, (DialogPosition{kScreenW - 220, kScreenH - 130}));
  EXPECT_EQ(PlaceDialog(-100, -100, far, huge, kScreenW, kScreenH), (DialogPosition{0, 0}));
}

}  // namespace
}  // namespace xvf
