// Every row kernel at every instruction-set level against the scalar
// reference: random and extreme inputs, all small counts, sources and
// destinations against no-access pages, guard bytes around destinations.
#include "engine/row_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/engine_kernels.h"
#include "tests/support/guarded_buffer.h"

namespace xvf {
namespace {

using test::GuardedBuffer;

constexpr GuardedBuffer::Placement kPlacements[] = {GuardedBuffer::kAgainstEnd, GuardedBuffer::kAgainstStart};
constexpr int32_t kExtremeWeights[] = {0, 1, 2048, 4095};

// `bytes` bytes with guard bytes of a known value around them, and a
// no-access page right after the last byte (kAgainstEnd) or right before the
// first (kAgainstStart with no misalignment); `misalign` moves the start of a
// kAgainstStart buffer off the page boundary.
class Placed {
 public:
  static constexpr uint8_t kGuardValue = 0xA5;
  static constexpr size_t kSlack = 16;

  Placed(size_t bytes, GuardedBuffer::Placement placement, size_t misalign)
      : buffer_(bytes + kSlack + (placement == GuardedBuffer::kAgainstStart ? misalign : 0), placement),
        bytes_(bytes) {
    data_ = placement == GuardedBuffer::kAgainstEnd ? buffer_.data() + kSlack : buffer_.data() + misalign;
    std::memset(buffer_.data(), kGuardValue, buffer_.size());
  }
  uint8_t* data() { return data_; }
  size_t size() const { return bytes_; }
  bool GuardsIntact() const {
    const uint8_t* all = buffer_.data();
    for (size_t i = 0; i < buffer_.size(); ++i) {
      const bool inside = all + i >= data_ && all + i < data_ + bytes_;
      if (!inside && all[i] != kGuardValue) return false;
    }
    return true;
  }

 private:
  GuardedBuffer buffer_;
  uint8_t* data_;
  size_t bytes_;
};

// Against the page half of the time, else 1..15 bytes off it.
size_t PickMisalign(std::mt19937& rng) { return rng() % 2 ? 0 : 1 + rng() % 15; }

// Random bytes, or full swings: each byte 0 or 255.
void FillSamples(std::mt19937& rng, uint8_t* bytes, size_t n, bool extreme) {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t v = static_cast<uint8_t>(rng());
    bytes[i] = extreme ? ((v & 1) ? 255 : 0) : v;
  }
}

int32_t PickWeight(std::mt19937& rng) {
  if (rng() % 3 == 0) return kExtremeWeights[rng() % 4];
  return static_cast<int32_t>(rng() % 4096);
}

std::string Describe(int32_t count, int32_t offset, int32_t weight, GuardedBuffer::Placement placement) {
  return "count " + std::to_string(count) + ", offset " + std::to_string(offset) + ", weight " +
         std::to_string(weight) + (placement == GuardedBuffer::kAgainstEnd ? ", against end" : ", against start");
}

// Destination bytes each horizontal kernel writes for `count` pixels.
int32_t Yuy2EvenBytes(int32_t count) { return 4 * (count / 2) + 2 * (count & 1); }
int32_t Yuy2OddBytes(int32_t count) { return count <= 0 ? 0 : 2 + Yuy2EvenBytes(count - 1); }
int32_t Rgb24Bytes(int32_t count) { return 3 * count; }

// A map of `count` entries whose samples stay within `pixels` work pixels,
// starting at work pixel 0: it visits the first and last pixel, steps
// backwards, repeats samples and has zero second offsets.
std::vector<ScaleMapEntry> RandomMap(std::mt19937& rng, int32_t count, int32_t pixels) {
  std::vector<ScaleMapEntry> map;
  int32_t position = 0;
  for (int32_t i = 0; i < count; ++i) {
    int32_t a = static_cast<int32_t>(rng() % pixels);
    if (i == 0) a = 0;
    int32_t b = a;
    switch (rng() % 4) {
      case 0: break;                                                    // B is A
      case 1: b = std::min(a + 1, pixels - 1); break;                   // neighbours
      case 2: b = static_cast<int32_t>(rng() % pixels); break;          // anywhere, also backwards
      case 3: b = pixels - 1; break;                                    // the last pixel
    }
    map.push_back(MakeScaleMapEntry(4 * a - position, 4 * (b - a), PickWeight(rng)));
    position = 4 * b;
  }
  return map;
}

class RowKernelsAt : public ::testing::TestWithParam<CpuLevel> {
 protected:
  void SetUp() override {
    if (GetParam() > DetectedCpuLevel()) GTEST_SKIP() << "CPU lacks " << CpuLevelName(GetParam());
    kernels_ = EngineKernelsFor(GetParam()).rows;
  }

  // One vertical call against the reference: the rows A and B lie in one
  // buffer whose lowest or highest byte borders a no-access page.
  void CheckVertical(VerticalRowFn kernel, VerticalRowFn reference, int32_t sourceBytes, int32_t workBytes,
                     int32_t count, int32_t offset, int32_t weight, GuardedBuffer::Placement placement,
                     std::mt19937& rng, bool extreme) {
    const int32_t rowBytes = count * sourceBytes;
    const int32_t low = std::min(0, offset);
    const int32_t span = std::max(0, offset) + rowBytes - low;
    Placed source(static_cast<size_t>(std::max(span, 1)), placement, PickMisalign(rng));
    FillSamples(rng, source.data(), source.size(), extreme);
    const uint8_t* a = source.data() - low;

    std::vector<uint8_t> expected(static_cast<size_t>(count) * workBytes + 1);
    reference(a, offset, weight, count, expected.data());
    Placed work(static_cast<size_t>(count) * workBytes, placement == GuardedBuffer::kAgainstEnd
                                                            ? GuardedBuffer::kAgainstStart
                                                            : GuardedBuffer::kAgainstEnd,
                PickMisalign(rng));
    kernel(a, offset, weight, count, work.data());
    ASSERT_EQ(0, std::memcmp(work.data(), expected.data(), work.size())) << Describe(count, offset, weight, placement);
    ASSERT_TRUE(work.GuardsIntact()) << Describe(count, offset, weight, placement);
  }

  // One horizontal call against the reference on a work row of `pixels` work
  // pixels bordering a no-access page.
  void CheckHorizontal(HorizontalRowFn kernel, HorizontalRowFn reference, int32_t dstBytes,
                       const std::vector<ScaleMapEntry>& map, int32_t pixels, GuardedBuffer::Placement placement,
                       std::mt19937& rng, bool extreme) {
    const int32_t count = static_cast<int32_t>(map.size());
    Placed work(static_cast<size_t>(pixels) * 4, placement, PickMisalign(rng));
    FillSamples(rng, work.data(), work.size(), extreme);
    // The map itself also ends at a no-access page.
    GuardedBuffer mapBuffer(std::max<size_t>(map.size() * sizeof(ScaleMapEntry), 1));
    auto* entries = reinterpret_cast<ScaleMapEntry*>(mapBuffer.data() + mapBuffer.size() -
                                                     map.size() * sizeof(ScaleMapEntry));
    if (!map.empty()) std::memcpy(entries, map.data(), map.size() * sizeof(ScaleMapEntry));

    std::vector<uint8_t> expected(static_cast<size_t>(dstBytes) + 1);
    reference(work.data(), entries, count, expected.data());
    Placed dst(static_cast<size_t>(dstBytes), placement, PickMisalign(rng));
    kernel(work.data(), entries, count, dst.data());
    const std::string what = "count " + std::to_string(count) + ", pixels " + std::to_string(pixels);
    ASSERT_EQ(0, std::memcmp(dst.data(), expected.data(), dst.size())) << what;
    ASSERT_TRUE(dst.GuardsIntact()) << what;
  }

  // Every count from 0 to 40 and some long rows, both placements, random and
  // extreme samples, B after A, before A and equal to A.
  void SweepVertical(VerticalRowFn kernel, VerticalRowFn reference, int32_t sourceBytes, int32_t workBytes) {
    std::mt19937 rng(1234);
    std::vector<int32_t> counts;
    for (int32_t n = 0; n <= 40; ++n) counts.push_back(n);
    for (int32_t n : {63, 64, 65, 127, 257, 360, 720, 961}) counts.push_back(n);
    for (int32_t count : counts) {
      const int32_t rowBytes = count * sourceBytes;
      const int32_t gap = static_cast<int32_t>(rng() % 9);
      const int32_t offsets[] = {0, rowBytes + gap, -(rowBytes + gap), sourceBytes, -sourceBytes};
      for (int32_t offset : offsets) {
        for (GuardedBuffer::Placement placement : kPlacements) {
          const bool extreme = rng() % 2 == 0;
          CheckVertical(kernel, reference, sourceBytes, workBytes, count, offset, PickWeight(rng), placement, rng,
                        extreme);
          if (HasFatalFailure()) return;
        }
      }
    }
    for (int32_t weight : kExtremeWeights) {
      CheckVertical(kernel, reference, sourceBytes, workBytes, 37, -37 * sourceBytes, weight,
                    GuardedBuffer::kAgainstEnd, rng, true);
      if (HasFatalFailure()) return;
    }
  }

  void SweepHorizontal(HorizontalRowFn kernel, HorizontalRowFn reference, int32_t (*dstBytes)(int32_t)) {
    std::mt19937 rng(4321);
    std::vector<int32_t> counts;
    for (int32_t n = 0; n <= 40; ++n) counts.push_back(n);
    for (int32_t n : {63, 64, 65, 127, 257, 720, 1001}) counts.push_back(n);
    for (int32_t count : counts) {
      for (GuardedBuffer::Placement placement : kPlacements) {
        for (int round = 0; round < 3; ++round) {
          const int32_t pixels = 1 + static_cast<int32_t>(rng() % (count + 8));
          const std::vector<ScaleMapEntry> map = RandomMap(rng, count, pixels);
          CheckHorizontal(kernel, reference, dstBytes(count), map, pixels, placement, rng, round == 2);
          if (HasFatalFailure()) return;
        }
      }
    }
    // The linear maps the scaler builds: enlarging, shrinking, clipped.
    const int32_t linear[][3] = {{2, 4, 0},   {4, 2, 0},      {5, 5, 0},    {720, 540, 0}, {540, 720, 0},
                                 {541, 720, 3}, {90, 719, 17}, {719, 90, 1}, {1, 9, 0}};
    for (const auto& l : linear) {
      const int32_t count = l[1] - l[2];
      std::vector<ScaleMapEntry> map(static_cast<size_t>(count));
      BuildScaleMap(l[0], l[1], l[2], count, 4, map.data());
      for (GuardedBuffer::Placement placement : kPlacements) {
        CheckHorizontal(kernel, reference, dstBytes(count), map, l[0], placement, rng, false);
        if (HasFatalFailure()) return;
      }
    }
  }

  RowKernels kernels_{};
};

TEST_P(RowKernelsAt, VerticalYuy2MatchesTheReference) {
  SweepVertical(kernels_.verticalYuy2, VerticalRowYuy2_C, 4, 8);
}

TEST_P(RowKernelsAt, VerticalRgb24MatchesTheReference) {
  SweepVertical(kernels_.verticalRgb24, VerticalRowRgb24_C, 3, 4);
}

TEST_P(RowKernelsAt, HorizontalYuy2MatchesTheReference) {
  SweepHorizontal(kernels_.horizontalYuy2, HorizontalRowYuy2_C, Yuy2EvenBytes);
}

TEST_P(RowKernelsAt, HorizontalYuy2OddMatchesTheReference) {
  SweepHorizontal(kernels_.horizontalYuy2Odd, HorizontalRowYuy2Odd_C, Yuy2OddBytes);
}

TEST_P(RowKernelsAt, HorizontalRgb24MatchesTheReference) {
  SweepHorizontal(kernels_.horizontalRgb24, HorizontalRowRgb24_C, Rgb24Bytes);
}

// The rule itself, over every pair of byte values: floor of the exact blend
// a * (4096 - w) / 4096 + b * w / 4096.
TEST_P(RowKernelsAt, VerticalKernelsFollowTheRuleForEveryBytePair) {
  std::vector<int32_t> weights = {0, 1, 2, 3, 15, 16, 17, 255, 256, 2047, 2048, 2049, 4094, 4095};
  std::mt19937 rng(99);
  for (int i = 0; i < 16; ++i) weights.push_back(static_cast<int32_t>(rng() % 4096));
  // Row A holds every a, row B every b, so byte k blends a = k % 256, b = k / 256.
  constexpr int32_t kBytes = 65536;
  std::vector<uint8_t> rows(2 * kBytes);
  for (int32_t k = 0; k < kBytes; ++k) {
    rows[k] = static_cast<uint8_t>(k);
    rows[kBytes + k] = static_cast<uint8_t>(k >> 8);
  }
  auto expect = [](int32_t k, int32_t w) { return ((k & 255) * (4096 - w) + (k >> 8) * w) / 4096; };
  std::vector<uint8_t> work(2 * kBytes);
  for (int32_t w : weights) {
    kernels_.verticalYuy2(rows.data(), kBytes, w, kBytes / 4, work.data());
    for (int32_t k = 0; k < kBytes; ++k) {
      // Byte k of pair k / 4 lands in both work pixels of the pair (luma) or
      // in both at the same place (chroma).
      const uint8_t* pixels = &work[static_cast<size_t>(k / 4) * 8];
      const int lane = k % 4;
      const uint8_t got = lane == 0 ? pixels[0] : lane == 2 ? pixels[4] : pixels[lane];
      ASSERT_EQ(got, expect(k, w)) << "a " << (k & 255) << ", b " << (k >> 8) << ", w " << w;
    }
    kernels_.verticalRgb24(rows.data(), kBytes, w, kBytes / 3, work.data());
    for (int32_t k = 0; k < kBytes / 3 * 3; ++k) {
      ASSERT_EQ(work[static_cast<size_t>(k / 3) * 4 + k % 3], expect(k, w))
          << "a " << (k & 255) << ", b " << (k >> 8) << ", w " << w;
    }
  }
}

// The documented examples through every kernel.
TEST_P(RowKernelsAt, DocumentedExamples) {
  struct Example {
    uint8_t a, b;
    int32_t w;
    uint8_t result;
  };
  const Example examples[] = {{10, 9, 1, 9}, {9, 10, 4095, 9}, {0, 255, 2048, 127}, {255, 0, 2048, 127},
                              {200, 100, 2048, 150}, {77, 200, 0, 77}};
  for (const Example& e : examples) {
    SCOPED_TRACE(testing::Message() << "a " << int{e.a} << ", b " << int{e.b} << ", w " << e.w);
    const uint8_t rows[8] = {e.a, e.a, e.a, e.a, e.b, e.b, e.b, e.b};
    uint8_t out[8];
    const uint8_t r = e.result;
    kernels_.verticalYuy2(rows, 4, e.w, 1, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), std::vector<uint8_t>({r, r, r, r, r, r, r, r}));
    kernels_.verticalRgb24(rows, 4, e.w, 1, out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), std::vector<uint8_t>({r, r, r, 0}));

    const ScaleMapEntry entry = MakeScaleMapEntry(0, 4, e.w);
    uint8_t dst[4] = {1, 2, 3, 4};
    kernels_.horizontalYuy2(rows, &entry, 1, dst);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 4), std::vector<uint8_t>({r, r, 3, 4}));
    kernels_.horizontalYuy2Odd(rows, &entry, 1, dst + 2);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 4), std::vector<uint8_t>({r, r, r, r}));
    uint8_t rgb[4] = {1, 2, 3, 4};
    kernels_.horizontalRgb24(rows, &entry, 1, rgb);
    EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 4), std::vector<uint8_t>({r, r, r, 4}));
  }
}

// In a YUY2 destination pair U follows the even pixel's position and V the
// odd pixel's; an odd last pixel leaves the second half of its pair alone.
TEST_P(RowKernelsAt, Yuy2ChromaFollowsEachPixelsPosition) {
  // Work pixels Y U Y V with distinct values.
  const uint8_t work[16] = {10, 11, 12, 13, 20, 21, 22, 23, 30, 31, 32, 33, 40, 41, 42, 43};
  // Pixel 0 samples work pixel 3, pixel 1 work pixel 0, pixel 2 work pixel 2.
  const ScaleMapEntry map[3] = {MakeScaleMapEntry(12, 0, 0), MakeScaleMapEntry(-12, 0, 0), MakeScaleMapEntry(8, 0, 0)};
  uint8_t dst[8] = {0, 0, 0, 0, 0, 0, 0xEE, 0xEE};
  kernels_.horizontalYuy2(work, map, 3, dst);
  EXPECT_EQ(std::vector<uint8_t>(dst, dst + 8), std::vector<uint8_t>({40, 41, 12, 13, 30, 31, 0xEE, 0xEE}));

  uint8_t odd[8] = {0xEE, 0xEE, 0, 0, 0, 0, 0xEE, 0xEE};
  kernels_.horizontalYuy2Odd(work, map, 2, odd + 2);
  EXPECT_EQ(std::vector<uint8_t>(odd, odd + 8), std::vector<uint8_t>({0xEE, 0xEE, 42, 43, 10, 11, 0xEE, 0xEE}));
}

// Kernels that use the MMX registers clear the MMX state before returning:
// otherwise every x87 register reads as full and the next floating-point
// load gives not-a-number (32-bit builds do their doubles on the x87 unit).
TEST_P(RowKernelsAt, KernelsLeaveTheX87UnitUsable) {
  const uint8_t rows[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 2, 3, 4, 5, 6, 7, 8};
  const ScaleMapEntry map[2] = {MakeScaleMapEntry(0, 4, 100), MakeScaleMapEntry(0, 4, 200)};
  uint8_t out[16];
  volatile double x = 1.5, y = 0.25;
  auto check = [&](const char* kernel) {
    const double a = x, b = y, c = x * y;  // three x87 loads onto the stack
    EXPECT_EQ(a * 3.0 + b - c, 4.375) << kernel;
  };
  kernels_.verticalYuy2(rows, 8, 1000, 2, out);
  check("verticalYuy2");
  kernels_.verticalRgb24(rows, 6, 1000, 2, out);
  check("verticalRgb24");
  kernels_.horizontalYuy2(rows, map, 2, out);
  check("horizontalYuy2");
  kernels_.horizontalYuy2Odd(rows, map, 2, out);
  check("horizontalYuy2Odd");
  kernels_.horizontalRgb24(rows, map, 2, out);
  check("horizontalRgb24");
  kernels_.lerpRow(rows, rows + 8, 1000, 8, out, rows);
  check("lerpRow");
  kernels_.lerpRowPair(rows, rows + 8, 1000, 3000, 8, out, out + 8, rows);
  check("lerpRowPair");
}

INSTANTIATE_TEST_SUITE_P(Levels, RowKernelsAt,
                         ::testing::ValuesIn(kAllCpuLevels),
                         [](const ::testing::TestParamInfo<CpuLevel>& info) {
                           return std::string(CpuLevelName(info.param));
                         });

// Each level above C replaces every scalar kernel, so the sweeps above test
// vector code at every level.
TEST(RowKernelTable, LevelsAboveCReplaceEveryScalarKernel) {
  const RowKernels c = EngineKernelsFor(CpuLevel::C).rows;
  EXPECT_EQ(c.verticalYuy2, &VerticalRowYuy2_C);
  EXPECT_EQ(c.horizontalYuy2Odd, &HorizontalRowYuy2Odd_C);
  for (CpuLevel level : kAllCpuLevels) {
    if (level == CpuLevel::C) continue;
    const RowKernels k = EngineKernelsFor(level).rows;
    EXPECT_NE(k.verticalYuy2, c.verticalYuy2) << CpuLevelName(level);
    EXPECT_NE(k.verticalRgb24, c.verticalRgb24) << CpuLevelName(level);
    EXPECT_NE(k.horizontalYuy2, c.horizontalYuy2) << CpuLevelName(level);
    EXPECT_NE(k.horizontalYuy2Odd, c.horizontalYuy2Odd) << CpuLevelName(level);
    EXPECT_NE(k.horizontalRgb24, c.horizontalRgb24) << CpuLevelName(level);
  }
}

// XVF_CPU caps the level by its name in cpu_levels.def; a name it does not
// know caps nothing.
TEST(RowKernelTable, XvfCpuCapsTheLevelByName) {
  const char* outer = std::getenv("XVF_CPU");
  const std::string saved = outer ? outer : "";
  auto setCap = [](const std::string& name) {
#ifdef _WIN32
    _putenv(("XVF_CPU=" + name).c_str());
#else
    name.empty() ? unsetenv("XVF_CPU") : setenv("XVF_CPU", name.c_str(), 1);
#endif
  };
  for (const CpuLevel level : kAllCpuLevels) {
    setCap(CpuLevelName(level));
    EXPECT_EQ(UsableCpuLevel(), std::min(level, DetectedCpuLevel())) << CpuLevelName(level);
  }
  setCap("sse4");
  EXPECT_EQ(UsableCpuLevel(), DetectedCpuLevel());
  setCap(saved);
}

// Where the run names the processor it emulates (XVF_EXPECT_CPU_LEVEL, set by
// the 32-bit run under qemu), detection must find exactly that level.
TEST(RowKernelTable, DetectsTheLevelTheRunExpects) {
  const char* expected = std::getenv("XVF_EXPECT_CPU_LEVEL");
  if (!expected) GTEST_SKIP() << "no expected level named";
  EXPECT_STREQ(CpuLevelName(DetectedCpuLevel()), expected);
  EXPECT_STREQ(CpuLevelName(UsableCpuLevel()), expected);
}

}  // namespace
}  // namespace xvf
