// Our MulDiv against the system's, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/mul_div.h"

namespace {

// Wine's own MulDiv negates the divisor (or, with a negative divisor, the
// multiplicand) and treats a result of INT_MIN as overflow; those inputs say
// nothing about ours.
bool WineIsWrongFor(int32_t a, int32_t b, int32_t c) {
  if (c == INT_MIN || (a == INT_MIN && c < 0)) return true;
  const int32_t ours = xvf::MulDiv(a, b, c);
  return ours == INT_MIN;
}

void ExpectSame(int32_t a, int32_t b, int32_t c) {
  if (WineIsWrongFor(a, b, c)) return;
  EXPECT_EQ(xvf::MulDiv(a, b, c), ::MulDiv(a, b, c)) << a << " * " << b << " / " << c;
}

TEST(MulDivWin32, EdgeValuesMatchTheSystem) {
  const std::vector<int32_t> edges = {0,         1,      -1,      2,        -2,      3,      -3,     100,
                                      -100,      256,    65535,   65536,    -65536,  46341,  -46341, INT_MAX,
                                      INT_MAX - 1, INT_MIN, INT_MIN + 1, INT_MAX / 2, INT_MIN / 2};
  for (int32_t a : edges)
    for (int32_t b : edges)
      for (int32_t c : edges) ExpectSame(a, b, c);
}

TEST(MulDivWin32, RandomValuesMatchTheSystem) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int32_t> any(INT_MIN, INT_MAX);
  std::uniform_int_distribution<int32_t> small(-5000, 5000);
  for (int i = 0; i < 200000; ++i) {
    ExpectSame(any(random), any(random), any(random));
    ExpectSame(small(random), small(random), small(random));
    ExpectSame(any(random), small(random), small(random));
  }
}

}  // namespace
