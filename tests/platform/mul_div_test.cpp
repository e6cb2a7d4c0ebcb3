#include "platform/mul_div.h"

#include <gtest/gtest.h>

#include <climits>

namespace xvf {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(3, 1, 2), 2);    // 1.5
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);  // -1.5
  EXPECT_EQ(MulDiv(3, -1, 2), -2);
  EXPECT_EQ(MulDiv(-3, -1, 2), 2);
  EXPECT_EQ(MulDiv(3, 1, -2), -2);
  EXPECT_EQ(MulDiv(5, 1, 3), 2);  // 1.67
  EXPECT_EQ(MulDiv(4, 1, 3), 1);  // 1.33
  EXPECT_EQ(MulDiv(-4, 1, 3), -1);
  EXPECT_EQ(MulDiv(0, 7, -3), 0);
}

TEST(MulDiv, GeometryAndOpacityValues) {
  EXPECT_EQ(MulDiv(576, 4, 3), 768);
  EXPECT_EQ(MulDiv(768, 480, 800), 461);  // 460.8
  EXPECT_EQ(MulDiv(461, 4, 3), 615);      // 614.67
  EXPECT_EQ(MulDiv(576, 576, 615), 539);  // 539.47
  EXPECT_EQ(MulDiv(25, 256, 100), 64);
  EXPECT_EQ(MulDiv(99, 256, 100), 253);  // 253.44
  EXPECT_EQ(MulDiv(100, 110, 100), 110);
  EXPECT_EQ(MulDiv(111, 110, 100), 122);  // 122.1
  EXPECT_EQ(MulDiv(89, 110, 100), 98);    // 97.9
}

TEST(MulDiv, ZeroDivisorAndOverflowGiveMinusOne) {
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, 1), -1);
  EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);
  EXPECT_EQ(MulDiv(INT_MAX, 1, 1), INT_MAX);
  EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
  EXPECT_EQ(MulDiv(INT_MIN, INT_MIN, INT_MIN), INT_MIN);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
  EXPECT_EQ(MulDiv(INT_MIN, 1, -1), -1);
}

}  // namespace
}  // namespace xvf
