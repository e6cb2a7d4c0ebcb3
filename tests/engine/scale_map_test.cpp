#include "engine/scale_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace xvf {
namespace {

struct Expected {
  int32_t advance, secondOffset, weight;
};

void ExpectMap(int32_t src, int32_t dst, int32_t clip, int32_t step, const std::vector<Expected>& expected) {
  std::vector<ScaleMapEntry> map(expected.size());
  BuildScaleMap(src, dst, clip, static_cast<int32_t>(map.size()), step, map.data());
  for (size_t j = 0; j < map.size(); ++j) {
    SCOPED_TRACE(testing::Message() << src << " onto " << dst << ", entry " << j);
    EXPECT_EQ(map[j].advance, expected[j].advance);
    EXPECT_EQ(map[j].secondOffset, expected[j].secondOffset);
    for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(map[j].weight[lane], expected[j].weight);
  }
}

TEST(BuildScaleMap, DocumentedMaps) {
  // Equal lengths copy: weights 0, advances 0 then one step each.
  ExpectMap(5, 5, 0, 3, {{0, 0, 0}, {3, 0, 0}, {3, 0, 0}, {3, 0, 0}, {3, 0, 0}});
  // Halving samples at 0.5 and 2.5.
  ExpectMap(4, 2, 0, 4, {{0, 4, 2048}, {4, 4, 2048}});
  // Enlarging puts the ends on the ends: 0, 1/3, 2/3, 1; the third steps back from B to A.
  ExpectMap(2, 4, 0, 6, {{0, 0, 0}, {0, 6, 1365}, {-6, 6, 2730}, {0, 0, 0}});
  // A clipped start: entry 0 is destination sample 2.
  ExpectMap(5, 5, 2, -9, {{-18, 0, 0}, {-9, 0, 0}, {-9, 0, 0}});
}

TEST(BuildScaleMap, SevenTwentyOntoFiveForty) {
  // Whole parts and weights 0/682, 1/2047, 2/3413, 4/682.
  ExpectMap(720, 540, 0, 1, {{0, 1, 682}, {0, 1, 2047}, {0, 1, 3413}, {1, 1, 682}});
}

// Every position stays within the source and B never passes the last sample,
// for many length pairs and clip offsets.
TEST(BuildScaleMap, PositionsStayInsideTheSource) {
  for (int32_t src = 1; src < 70; src += 3) {
    for (int32_t dst = 1; dst < 70; dst += 5) {
      for (int32_t clip = 0; clip < dst; clip += 7) {
        const int32_t count = dst - clip;
        std::vector<ScaleMapEntry> map(count);
        BuildScaleMap(src, dst, clip, count, 1, map.data());
        int64_t position = 0;
        for (const ScaleMapEntry& e : map) {
          position += e.advance;
          ASSERT_GE(position, 0);
          ASSERT_LT(position, src);
          position += e.secondOffset;
          ASSERT_LT(position, src) << src << " onto " << dst << " from " << clip;
          ASSERT_GE(e.weight[0], 0);
          ASSERT_LT(e.weight[0], 4096);
          ASSERT_EQ(e.secondOffset != 0, e.weight[0] != 0);
        }
      }
    }
  }
  // The largest lengths the 16.16 arithmetic allows.
  std::vector<ScaleMapEntry> map(3);
  BuildScaleMap(65535, 65535, 65532, 3, 1, map.data());
  EXPECT_EQ(map[0].advance, 65532);
  EXPECT_EQ(map[2].advance, 1);
}

}  // namespace
}  // namespace xvf
