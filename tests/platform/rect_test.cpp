#include "platform/rect.h"

#include <gtest/gtest.h>

namespace xvf {
namespace {

TEST(IntersectRect, OverlapIsTheCommonPart) {
  Rect out{9, 9, 9, 9};
  EXPECT_TRUE(IntersectRect(&out, Rect{0, 0, 720, 576}, Rect{90, -10, 800, 504}));
  EXPECT_EQ(out, (Rect{90, 0, 720, 504}));
}

TEST(IntersectRect, EmptyResultIsAllZero) {
  const Rect frame{0, 0, 720, 576};
  const Rect misses[] = {
      {720, 0, 800, 10},  // touching the right edge
      {0, -10, 720, 0},   // touching the top edge
      {5, 5, 5, 10},      // zero width
      {10, 5, 5, 10},     // inverted
      {-100, -100, -1, -1},
  };
  for (const Rect& miss : misses) {
    Rect out{1, 2, 3, 4};
    EXPECT_FALSE(IntersectRect(&out, frame, miss));
    EXPECT_EQ(out, Rect{});
    EXPECT_FALSE(IntersectRect(&out, miss, frame));
    EXPECT_EQ(out, Rect{});
  }
}

}  // namespace
}  // namespace xvf
