#include "framepass/panorama_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "framepass/aspect_geometry.h"

namespace xvf {
namespace {

struct Expected {
  int32_t advance;
  int32_t secondOffset;
  int32_t f;
};

std::vector<ScaleMapEntry> Build(int32_t width, double ratio) {
  std::vector<ScaleMapEntry> table(width + 1, MakeScaleMapEntry(-7, -7, 77));
  BuildPanoramaTable(width, ratio, 4, table.data());
  EXPECT_EQ(table[width].advance, -7) << "wrote past the last column";
  table.resize(width);
  return table;
}

void ExpectEntry(const ScaleMapEntry& e, const Expected& x, int column) {
  EXPECT_EQ(e.advance, x.advance) << "column " << column;
  EXPECT_EQ(e.secondOffset, x.secondOffset) << "column " << column;
  for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(e.weight[lane], x.f) << "column " << column;
}

// Source position of each entry, from the running position (in columns).
std::vector<double> Positions(const std::vector<ScaleMapEntry>& table) {
  std::vector<double> s;
  int32_t p = 0;
  for (const auto& e : table) {
    const int32_t i = p + e.advance / 4;
    s.push_back(i + e.weight[0] / 4096.0);
    p = i + e.secondOffset / 4;
  }
  return s;
}

TEST(PanoramaTable, Width9Ratio1_5) {
  const auto t = Build(9, 1.5);
  const Expected x[9] = {{0, 0, 0},    {0, 4, 2560}, {0, 4, 2048}, {0, 4, 2560}, {4, 0, 0},
                         {4, 4, 1536}, {0, 4, 2048}, {0, 4, 1536}, {0, 0, 0}};
  for (int c = 0; c < 9; ++c) ExpectEntry(t[c], x[c], c);
}

TEST(PanoramaTable, Width9Ratio0_75StretchesTheMiddle) {
  const double s[9] = {0, 1.1875, 2.25, 3.1875, 4, 4.8125, 5.75, 6.8125, 8};
  const auto positions = Positions(Build(9, 0.75));
  for (int c = 0; c < 9; ++c) EXPECT_EQ(positions[c], s[c]) << c;
}

TEST(PanoramaTable, Ratio1IsIdentityAtWidth9) {
  const auto t = Build(9, 1.0);
  ExpectEntry(t[0], {0, 0, 0}, 0);
  for (int c = 1; c < 9; ++c) ExpectEntry(t[c], {4, 0, 0}, c);
}

TEST(PanoramaTable, Ratio1AtWidth720PutsColumn364JustBelowItsColumn) {
  const auto t = Build(720, 1.0);
  // s = 363.99999999999994: A is column 363 with f = 4095 and B column 364.
  ExpectEntry(t[363], {4, 0, 0}, 363);
  ExpectEntry(t[364], {0, 4, 4095}, 364);
  EXPECT_EQ(Positions(t)[364], 363 + 4095 / 4096.0);
  ExpectEntry(t[719], {4, 0, 0}, 719);
}

// FNV-1a over the table bytes: the same tables from every build (the 32-bit
// ones do their double arithmetic on the x87 unit, held at 53 bits).
uint64_t Fingerprint(const std::vector<ScaleMapEntry>& t) {
  uint64_t h = 1469598103934665603ull;
  const auto* bytes = reinterpret_cast<const uint8_t*>(t.data());
  for (size_t i = 0; i < t.size() * sizeof(ScaleMapEntry); ++i) h = (h ^ bytes[i]) * 1099511628211ull;
  return h;
}

TEST(PanoramaTable, WholeTablesAreTheSameInEveryBuild) {
  EXPECT_EQ(Fingerprint(Build(720, 1.0)), 0x5957a875fb120befull);
  EXPECT_EQ(Fingerprint(Build(720, 4.0 / 3.0)), 0x655cc90eb067b89full);
  EXPECT_EQ(Fingerprint(Build(720, PanoramaRatio(1000, 500))), 0x5429566ab63dcdafull);
  EXPECT_EQ(Fingerprint(Build(1920, PanoramaRatio(333, 577))), 0x1739b230ef1fa14cull);
  // Differs when x87 extended precision reaches the table (the 32-bit
  // builds without the 53-bit precision control).
  EXPECT_EQ(Fingerprint(Build(1920, PanoramaRatio(300, 577))), 0xd6af035f853ea01cull);
}

TEST(PanoramaTable, RatioAbove2IsTakenAs2) {
  const auto a = Build(31, 2.5);
  const auto b = Build(31, 2.0);
  EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(ScaleMapEntry)), 0);
}

TEST(PanoramaTable, Width720At16By9) {
  const auto t = Build(720, 4.0 / 3.0);
  ExpectEntry(t[0], {0, 0, 0}, 0);
  EXPECT_EQ(t[1].weight[0], 2734);  // s ~ 0.6676, mixes columns 0 and 1
  EXPECT_EQ(t[1].secondOffset, 4);
  EXPECT_EQ(t[360].weight[0], 681);  // s ~ 360.166
  const auto s = Positions(t);
  EXPECT_EQ(static_cast<int>(s[360]), 360);
  EXPECT_EQ(s[719], 719.0);
  EXPECT_EQ(t[719].weight[0], 0);
}

TEST(PanoramaTable, NarrowWidths) {
  std::vector<ScaleMapEntry> none(1, MakeScaleMapEntry(-7, -7, 77));
  BuildPanoramaTable(0, 1.5, 4, none.data());
  EXPECT_EQ(none[0].advance, -7);  // width 0 writes nothing
  const auto one = Build(1, 1.5);
  ExpectEntry(one[0], {0, 0, 0}, 0);
  const auto two = Build(2, 1.5);
  ExpectEntry(two[0], {0, 0, 0}, 0);
  ExpectEntry(two[1], {4, 0, 0}, 1);
}

// Every sample A and B lies within columns 0..N and the positions never go
// back, so the scaler reads only work pixels the vertical pass wrote.
TEST(PanoramaTable, RandomTablesStayWithinTheRow) {
  std::mt19937 random(4242);
  std::uniform_int_distribution<int32_t> widths(2, 2000);
  std::uniform_real_distribution<double> ratios(0.0, 2.6);
  for (int run = 0; run < 400; ++run) {
    const int32_t width = widths(random);
    const double ratio = run == 0 ? 0.0 : ratios(random);
    const auto t = Build(width, ratio);
    EXPECT_EQ(t[0].advance, 0);
    int32_t p = 0;
    double last = -1;
    for (int32_t c = 0; c < width; ++c) {
      const int32_t a = p + t[c].advance / 4;
      const int32_t b = a + t[c].secondOffset / 4;
      ASSERT_GE(a, 0) << width << " " << ratio << " " << c;
      ASSERT_LE(b, width - 1) << width << " " << ratio << " " << c;
      ASSERT_TRUE(t[c].weight[0] >= 0 && t[c].weight[0] <= 4095);
      ASSERT_EQ(t[c].secondOffset == 0, t[c].weight[0] == 0);
      const double s = a + t[c].weight[0] / 4096.0;
      ASSERT_GE(s, last);
      last = s;
      p = b;
    }
  }
}

}  // namespace
}  // namespace xvf
