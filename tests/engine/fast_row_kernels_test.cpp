// The fast-path kernels at every instruction-set level against the scalar
// ones: row blends in place and apart, gathers over random and built tables,
// sources and destinations against no-access pages.
#include "engine/fast_row_kernels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/engine_kernels.h"
#include "engine/gather_table.h"
#include "engine/interpolate.h"
#include "engine/row_kernels.h"
#include "tests/support/guarded_buffer.h"

namespace xvf {
namespace {

using test::GuardedBuffer;

int32_t PickWeight(std::mt19937& rng) {
  static const int32_t extreme[] = {0, 1, 2048, 4095};
  return rng() % 3 == 0 ? extreme[rng() % 4] : static_cast<int32_t>(rng() % 4096);
}

void Fill(std::mt19937& rng, uint8_t* p, size_t n, bool extreme) {
  for (size_t i = 0; i < n; ++i) p[i] = extreme ? ((rng() & 1) ? 255 : 0) : static_cast<uint8_t>(rng());
}

class FastKernelsAt : public testing::TestWithParam<CpuLevel> {
 protected:
  void SetUp() override {
    if (GetParam() > DetectedCpuLevel()) GTEST_SKIP() << "CPU lacks " << CpuLevelName(GetParam());
    kernels_ = EngineKernelsFor(GetParam()).rows;
  }
  RowKernels kernels_{};
};

// dst apart from both rows, dst = a and dst = b; every length to 100 and a
// few long rows; rows and destination end against a no-access page or start
// right after one, and the bytes around the destination stay.
TEST_P(FastKernelsAt, LerpRowMatchesTheRule) {
  ASSERT_NE(kernels_.lerpRow, nullptr);
  std::mt19937 rng(77);
  std::vector<int32_t> lengths;
  for (int32_t n = 0; n <= 100; ++n) lengths.push_back(n);
  for (int32_t n : {255, 256, 257, 1440, 2161, 5760}) lengths.push_back(n);
  for (int32_t n : lengths) {
    for (int mode = 0; mode < 3; ++mode) {  // apart, into a, into b
      for (auto placement : {GuardedBuffer::kAgainstEnd, GuardedBuffer::kAgainstStart}) {
        const int32_t w = PickWeight(rng);
        const bool extreme = rng() % 2 == 0;
        GuardedBuffer a(static_cast<size_t>(n) + 1, placement), b(static_cast<size_t>(n) + 1, placement);
        GuardedBuffer d(static_cast<size_t>(n) + 8, placement);
        // The rows sit at the guarded edge; one spare byte on the far side.
        uint8_t* ra = placement == GuardedBuffer::kAgainstEnd ? a.data() + 1 : a.data();
        uint8_t* rb = placement == GuardedBuffer::kAgainstEnd ? b.data() + 1 : b.data();
        uint8_t* rd = placement == GuardedBuffer::kAgainstEnd ? d.data() + 8 : d.data();
        Fill(rng, a.data(), a.size(), extreme);
        Fill(rng, b.data(), b.size(), extreme);
        std::memset(d.data(), 0xA5, d.size());
        std::vector<uint8_t> expected(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) expected[i] = Interpolate(ra[i], rb[i], w);
        uint8_t* dst = mode == 0 ? rd : mode == 1 ? ra : rb;
        kernels_.lerpRow(ra, rb, w, n, dst, rb);
        const std::string what = "length " + std::to_string(n) + ", mode " + std::to_string(mode) + ", w " +
                                 std::to_string(w);
        ASSERT_EQ(0, n ? std::memcmp(dst, expected.data(), static_cast<size_t>(n)) : 0) << what;
        if (mode == 0) {
          for (size_t i = 0; i < d.size(); ++i) {
            if (d.data() + i < rd || d.data() + i >= rd + n) {
              ASSERT_EQ(d.data()[i], 0xA5) << what;
            }
          }
        }
      }
    }
  }
}

// Two rows from one pair of sources: dst0 apart, dst1 apart or the source
// row a or b itself; the rows end against a no-access page.
TEST_P(FastKernelsAt, LerpRowPairMatchesTheRule) {
  ASSERT_NE(kernels_.lerpRowPair, nullptr);
  std::mt19937 rng(80);
  std::vector<int32_t> lengths;
  for (int32_t n = 0; n <= 70; ++n) lengths.push_back(n);
  for (int32_t n : {255, 1440, 2161}) lengths.push_back(n);
  for (int32_t n : lengths) {
    for (int mode = 0; mode < 3; ++mode) {  // dst1 apart, into a, into b
      const int32_t w0 = PickWeight(rng), w1 = PickWeight(rng);
      const size_t size = static_cast<size_t>(n);
      GuardedBuffer a(size), b(size), d0(size + 1), d1(size + 1);
      Fill(rng, a.data(), size, rng() % 2 == 0);
      Fill(rng, b.data(), size, rng() % 2 == 0);
      std::memset(d0.data(), 0xA5, d0.size());
      std::vector<uint8_t> expected0(size), expected1(size);
      for (size_t i = 0; i < size; ++i) {
        expected0[i] = Interpolate(a.data()[i], b.data()[i], w0);
        expected1[i] = Interpolate(a.data()[i], b.data()[i], w1);
      }
      uint8_t* dst1 = mode == 0 ? d1.data() + 1 : mode == 1 ? a.data() : b.data();
      kernels_.lerpRowPair(a.data(), b.data(), w0, w1, n, d0.data() + 1, dst1, a.data());
      const std::string what = "length " + std::to_string(n) + ", mode " + std::to_string(mode);
      ASSERT_EQ(0, n ? std::memcmp(d0.data() + 1, expected0.data(), size) : 0) << what;
      ASSERT_EQ(0, n ? std::memcmp(dst1, expected1.data(), size) : 0) << what;
      ASSERT_EQ(d0.data()[0], 0xA5) << what;
    }
  }
}

// Random tables: every window within the row, masks anywhere in it, the
// row's last window ending at a no-access page; partial last blocks.
TEST_P(FastKernelsAt, GatherRowMatchesTheScalarGather) {
  if (!kernels_.gatherRow) GTEST_SKIP() << "no gather below SSSE3";
  std::mt19937 rng(78);
  for (int32_t bytes = 0; bytes <= 200; ++bytes) {
    const int32_t rowBytes = 16 + static_cast<int32_t>(rng() % 64);
    const int32_t blocks = (bytes + 15) / 16;
    std::vector<GatherBlock> table(static_cast<size_t>(blocks));
    for (GatherBlock& block : table) {
      for (int half = 0; half < 2; ++half) {
        block.base[half] = static_cast<int32_t>(rng() % (rowBytes - 15));
        for (int i = 0; i < 8; ++i) {
          const int k = 2 * (8 * half + i);
          const int32_t w = PickWeight(rng);
          block.samples[k] = static_cast<uint8_t>(rng() % 16);
          block.samples[k + 1] = static_cast<uint8_t>(rng() % 16);
          block.coarse[k] = static_cast<int8_t>(64 - w / 64);
          block.coarse[k + 1] = static_cast<int8_t>(w / 64);
          block.fine[k] = static_cast<int8_t>(-(w % 64));
          block.fine[k + 1] = static_cast<int8_t>(w % 64);
        }
      }
    }
    GuardedBuffer source(static_cast<size_t>(rowBytes));
    Fill(rng, source.data(), source.size(), bytes % 3 == 0);
    std::vector<uint8_t> expected(static_cast<size_t>(bytes) + 1);
    GatherRow_C(source.data(), table.data(), bytes, expected.data());
    GuardedBuffer dst(static_cast<size_t>(bytes) + 1);
    uint8_t* out = dst.data() + 1;
    dst.data()[0] = 0xA5;
    kernels_.gatherRow(source.data(), table.data(), bytes, out);
    ASSERT_EQ(0, bytes ? std::memcmp(out, expected.data(), static_cast<size_t>(bytes)) : 0) << "bytes " << bytes;
    ASSERT_EQ(dst.data()[0], 0xA5);
    if (!kernels_.gatherRowPair) continue;
    // Two rows along the same table: the first as above, the second another row.
    GuardedBuffer second(static_cast<size_t>(rowBytes), GuardedBuffer::kAgainstStart);
    Fill(rng, second.data(), second.size(), bytes % 3 == 1);
    std::vector<uint8_t> expected1(static_cast<size_t>(bytes) + 1);
    GatherRow_C(second.data(), table.data(), bytes, expected1.data());
    GuardedBuffer dst0(static_cast<size_t>(bytes) + 1), dst1(static_cast<size_t>(bytes) + 1);
    dst0.data()[0] = dst1.data()[0] = 0xA5;
    kernels_.gatherRowPair(source.data(), second.data(), table.data(), bytes, dst0.data() + 1, dst1.data() + 1);
    ASSERT_EQ(0, bytes ? std::memcmp(dst0.data() + 1, expected.data(), static_cast<size_t>(bytes)) : 0) << bytes;
    ASSERT_EQ(0, bytes ? std::memcmp(dst1.data() + 1, expected1.data(), static_cast<size_t>(bytes)) : 0) << bytes;
    ASSERT_EQ(dst0.data()[0], 0xA5);
    ASSERT_EQ(dst1.data()[0], 0xA5);
  }
}

// Built from linear maps, a gather over a row in the frame's layout writes
// what the horizontal kernels write from the work pixels of that row.
TEST_P(FastKernelsAt, GatherOfABuiltTableMatchesTheHorizontalKernels) {
  if (!kernels_.gatherRow) GTEST_SKIP() << "no gather below SSSE3";
  std::mt19937 rng(79);
  int32_t built = 0;
  const int32_t cases[][3] = {{720, 540, 0}, {540, 720, 0}, {541, 720, 3}, {720, 719, 1}, {64, 63, 0},
                              {30, 90, 7}, {5, 5, 0},       {96, 80, 2},   {17, 40, 0}};
  for (const auto& c : cases) {
    for (const bool yuy2 : {true, false}) {
      for (const int32_t skip : {0, 1}) {
        for (const bool oddFirst : {false, true}) {
          const int32_t srcLength = c[0], count = c[1] - c[2];
          const int32_t rowPixels = ((srcLength + skip + 1) & ~1);
          std::vector<ScaleMapEntry> map(static_cast<size_t>(count));
          BuildScaleMap(srcLength, c[1], c[2], count, 4, map.data());
          std::vector<GatherBlock> table(static_cast<size_t>(GatherBlockCount(count, yuy2)));
          const std::string what = std::to_string(srcLength) + " onto " + std::to_string(c[1]) + " from " +
                                   std::to_string(c[2]) + (yuy2 ? " yuy2" : " rgb24") + " skip " +
                                   std::to_string(skip) + (oddFirst ? " odd" : " even");
          if (!BuildGatherBlocks(map.data(), count, skip, rowPixels, yuy2, oddFirst, table.data())) {
            // Only a strong downscale may be refused.
            EXPECT_GT(srcLength * 10, c[1] * 13) << what;
            continue;
          }
          // The row in the frame's layout, padded for the window loads, and its work pixels.
          const int32_t bpp = yuy2 ? 2 : 3;
          std::vector<uint8_t> row(static_cast<size_t>(rowPixels) * bpp + 16);
          Fill(rng, row.data(), row.size(), false);
          std::vector<uint8_t> work(static_cast<size_t>(rowPixels) * 4);
          if (yuy2) {
            VerticalRowYuy2_C(row.data(), 0, 0, rowPixels / 2, work.data());
          } else {
            VerticalRowRgb24_C(row.data(), 0, 0, rowPixels, work.data());
          }
          const int32_t bytes = GatherBytes(count, yuy2);
          std::vector<uint8_t> expected(static_cast<size_t>(bytes) + 4, 0), got(expected);
          const HorizontalRowFn horizontal =
              yuy2 ? (oddFirst ? HorizontalRowYuy2Odd_C : HorizontalRowYuy2_C) : HorizontalRowRgb24_C;
          horizontal(work.data() + 4 * skip, map.data(), count, expected.data());
          kernels_.gatherRow(row.data(), table.data(), bytes, got.data());
          ASSERT_EQ(expected, got) << what;
          ++built;
        }
      }
    }
  }
  EXPECT_GE(built, 8 * 8);  // all but the 720-onto-540 shrink fit the windows
}

INSTANTIATE_TEST_SUITE_P(Levels, FastKernelsAt,
                         testing::ValuesIn(kAllCpuLevels),
                         [](const testing::TestParamInfo<CpuLevel>& info) { return CpuLevelName(info.param); });

// A map whose half blocks need more than one window is refused, not gathered wrongly.
TEST(GatherTable, RefusesStrongDownscales) {
  std::vector<ScaleMapEntry> map(100);
  BuildScaleMap(400, 100, 0, 100, 4, map.data());
  std::vector<GatherBlock> table(static_cast<size_t>(GatherBlockCount(100, true)));
  EXPECT_FALSE(BuildGatherBlocks(map.data(), 100, 0, 400, true, false, table.data()));
  BuildScaleMap(100, 130, 0, 100, 4, map.data());
  EXPECT_TRUE(BuildGatherBlocks(map.data(), 100, 0, 100, true, false, table.data()));
  // An entry that leaves the row.
  map[99].advance += 4000;
  EXPECT_FALSE(BuildGatherBlocks(map.data(), 100, 0, 100, true, false, table.data()));
}

}  // namespace
}  // namespace xvf
