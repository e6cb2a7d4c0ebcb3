// The scaler's fast paths against its two passes (UseFastPaths(false)) at
// every instruction-set level: identity columns with the source above, below
// and across the destination, column maps (linear, panorama and random walks,
// gathered or resampled in place), by fields, odd heights, frames against
// no-access pages; the in-place kernels on every difference and weight. Each
// case also checks which path ran, so a silent fallback cannot pass for a
// tested fast path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/frame_scaler.h"
#include "engine/interpolate.h"
#include "framepass/panorama_table.h"
#include "tests/support/frame_setup.h"
#include "tests/support/guarded_buffer.h"

namespace xvf {
namespace {

enum class Path { kIdentity, kGather, kInPlaceColumns, kAny };

std::string Describe(int32_t w, int32_t h, Rect s, Rect d, PixelFormat layout, int32_t fields) {
  return std::to_string(w) + "x" + std::to_string(h) + (layout == PixelFormat::kYuy2 ? " yuy2" : " rgb24") +
         (fields ? " fields" : "") + " src {" + std::to_string(s.left) + "," + std::to_string(s.top) + "," +
         std::to_string(s.right) + "," + std::to_string(s.bottom) + "} dst {" + std::to_string(d.left) + "," +
         std::to_string(d.top) + "," + std::to_string(d.right) + "," + std::to_string(d.bottom) + "}";
}

class FastPathsAt : public testing::TestWithParam<CpuLevel> {
 protected:
  void SetUp() override {
    if (GetParam() > DetectedCpuLevel()) GTEST_SKIP() << "CPU lacks " << CpuLevelName(GetParam());
    for (FrameScaler* s : {&fast_, &reference_}) {
      s->SetHysteresis(10, 10);
      // Levels without an in-place column kernel test the scalar one.
      EngineKernels kernels = EngineKernelsFor(GetParam());
      ColumnKernels& columns = kernels.columns;
      if (!columns.resampleRows && !columns.resampleBands) columns.resampleRows = ResampleColumns_C;
      s->UseKernels(kernels);
    }
    reference_.UseFastPaths(false);
  }
  bool Gathers() const { return GetParam() >= CpuLevel::Ssse3; }

  // Scales the same random frame both ways, the fast one against a
  // no-access page, and compares every byte of the frame.
  void Check(int32_t width, int32_t height, Rect src, Rect dst, PixelFormat layout, int32_t byFields,
             const ScaleMapEntry* columns, Path expected) {
    const std::string what = Describe(width, height, src, dst, layout, byFields);
    const size_t bytes = static_cast<size_t>(width) * height * BytesPerPixel(layout);
    std::vector<uint8_t> before(bytes);
    for (auto& b : before) b = static_cast<uint8_t>(random_());
    std::vector<uint8_t> expectedFrame(before);
    const FrameScaler::Result refOk =
        reference_.Scale(test::Packed(expectedFrame.data(), width, height, src, dst, layout, byFields, columns));
    for (auto placement : {test::GuardedBuffer::kAgainstEnd, test::GuardedBuffer::kAgainstStart}) {
      test::GuardedBuffer frame(bytes, placement);
      std::memcpy(frame.data(), before.data(), bytes);
      const FrameScaler::Stats was = fast_.Statistics();
      ASSERT_EQ(refOk, fast_.Scale(test::Packed(frame.data(), width, height, src, dst, layout, byFields, columns)))
          << what;
      ASSERT_EQ(0, std::memcmp(frame.data(), expectedFrame.data(), bytes)) << what;
      if (expected == Path::kIdentity) {
        ASSERT_EQ(fast_.Statistics().identityPaths, was.identityPaths + 1) << what;
      }
      if (expected == Path::kGather && Gathers()) {
        ASSERT_EQ(fast_.Statistics().gatherPaths, was.gatherPaths + 1) << what;
      }
      if (expected == Path::kInPlaceColumns) {
        ASSERT_EQ(fast_.Statistics().inPlaceColumnsPaths, was.inPlaceColumnsPaths + 1) << what;
      }
    }
  }

  int32_t Random(int32_t n) { return static_cast<int32_t>(random_() % static_cast<uint32_t>(n)); }

  FrameScaler fast_, reference_;
  std::mt19937 random_{2024};
};

// Same columns, random rows: the source above, below, across or inside the
// destination, enlarging and shrinking, clipped at either end, by fields.
TEST_P(FastPathsAt, IdentityColumnsOnRandomRows) {
  for (int i = 0; i < 400; ++i) {
    const PixelFormat layout = (i & 1) ? PixelFormat::kRgb24 : PixelFormat::kYuy2;
    int32_t width = 2 + Random(70);
    if (layout == PixelFormat::kYuy2) width &= ~1;
    const int32_t height = 2 + Random(60);
    const int32_t byFields = (i % 3) == 0;
    int32_t left = Random(width);
    int32_t right = left + 1 + Random(width - left);
    if (layout == PixelFormat::kYuy2 && i % 4 == 0) left &= ~1;  // odd and even edges
    Rect src{left, Random(height), right, 0};
    src.bottom = src.top + 1 + Random(height - src.top);
    Rect dst{left, Random(height + 10) - 5, right, 0};
    dst.bottom = dst.top + 1 + Random(2 * height + 5);
    Check(width, height, src, dst, layout, byFields, nullptr, Path::kAny);
    if (HasFatalFailure()) return;
  }
  // Most cases have a visible destination and a source: they took the path
  // (two placements each).
  EXPECT_GT(fast_.Statistics().identityPaths, 500);
}

// The documented geometries, which must all take a fast path.
TEST_P(FastPathsAt, AspectGeometriesTakeTheFastPaths) {
  for (PixelFormat layout : {PixelFormat::kYuy2, PixelFormat::kRgb24}) {
    for (int32_t byFields : {0, 1}) {
      // Fit-width: 4:3 band stretched over the frame (enlarging) and squeezed into it (shrinking).
      Check(720, 576, {0, 72, 720, 504}, {0, 0, 720, 576}, layout, byFields, nullptr, Path::kIdentity);
      // The same row map from other rows: the kept row steps must not serve it.
      Check(720, 576, {0, 70, 720, 502}, {0, 0, 720, 576}, layout, byFields, nullptr, Path::kIdentity);
      Check(720, 576, {0, 0, 720, 576}, {0, 72, 720, 504}, layout, byFields, nullptr, Path::kIdentity);
      Check(720, 576, {0, 0, 720, 576}, {0, 18, 720, 557}, layout, byFields, nullptr, Path::kIdentity);
      Check(720, 576, {0, 57, 720, 518}, {0, 0, 720, 576}, layout, byFields, nullptr, Path::kIdentity);
      Check(1920, 1080, {0, 135, 1920, 945}, {0, 0, 1920, 1080}, layout, byFields, nullptr, Path::kIdentity);
      // Odd heights, and a destination beyond the frame.
      Check(720, 575, {0, 0, 720, 575}, {0, 18, 720, 600}, layout, byFields, nullptr, Path::kIdentity);
      Check(64, 47, {0, 5, 64, 40}, {0, -9, 64, 51}, layout, byFields, nullptr, Path::kIdentity);
      // Fit-height: columns squeezed into the middle, or the middle stretched,
      // each row in place; with rows scaled too, gathered.
      const Path inPlace = Path::kInPlaceColumns;
      Check(720, 576, {0, 0, 720, 576}, {90, 0, 630, 576}, layout, byFields, nullptr, inPlace);
      Check(720, 576, {90, 0, 630, 576}, {0, 0, 720, 576}, layout, byFields, nullptr, inPlace);
      Check(1920, 1080, {0, 0, 1920, 1080}, {240, 0, 1680, 1080}, layout, byFields, nullptr, inPlace);
      Check(720, 575, {1, 3, 719, 575}, {91, 3, 630, 575}, layout, byFields, nullptr, inPlace);
      Check(720, 576, {0, 0, 720, 576}, {90, 0, 630, 574}, layout, byFields, nullptr, Path::kGather);
      // Both directions at once, odd edges.
      Check(720, 576, {33, 41, 611, 530}, {91, 3, 700, 571}, layout, byFields, nullptr, Path::kGather);
    }
  }
}

// Column maps on random rectangles (shrinking beyond the windows falls back).
TEST_P(FastPathsAt, ColumnMapsOnRandomRectangles) {
  for (int i = 0; i < 300; ++i) {
    const PixelFormat layout = (i & 1) ? PixelFormat::kRgb24 : PixelFormat::kYuy2;
    int32_t width = 16 + Random(80);
    if (layout == PixelFormat::kYuy2) width &= ~1;
    else if (i % 4 == 1) width |= 1;
    const int32_t height = 2 + Random(40);
    Rect src{Random(width / 2), Random(height), 0, 0};
    src.right = src.left + 8 + Random(width - src.left - 7);
    src.bottom = src.top + 1 + Random(height - src.top);
    Rect dst{Random(width + 8) - 4, Random(height + 8) - 4, 0, 0};
    dst.right = dst.left + 1 + Random(2 * width);
    dst.bottom = dst.top + 1 + Random(2 * height);
    if (i % 4 == 0) {  // rows their own sources: in place
      dst.top = src.top;
      dst.bottom = src.bottom;
    }
    Check(width, height, src, dst, layout, (i % 3) == 0, nullptr, Path::kAny);
    if (HasFatalFailure()) return;
  }
  if (Gathers()) {
    EXPECT_GT(fast_.Statistics().gatherPaths, 150);
  }
  EXPECT_GT(fast_.Statistics().inPlaceColumnsPaths, 80);
}

// A caller's map that walks back and forth: blocks of every row overwrite
// samples of others, whichever order they run in, and read saved windows.
TEST_P(FastPathsAt, ColumnMapsThatWalkBackAndForth) {
  int32_t plansWithSavedBlocks = 0;
  for (int i = 0; i < 120; ++i) {
    const PixelFormat layout = (i & 1) ? PixelFormat::kRgb24 : PixelFormat::kYuy2;
    const int32_t width = 16 + 2 * Random(60);
    std::vector<ScaleMapEntry> map(static_cast<size_t>(width));
    int32_t a = Random(width - 1), running = 0;  // sample A, and the running position (at B after an entry)
    for (ScaleMapEntry& e : map) {
      const int32_t next = std::min(std::max(a + Random(3) - 1, 0), width - 2);
      const int32_t w = Random(4096);
      e = MakeScaleMapEntry(4 * (next - running), w ? 4 : 0, w);
      a = next;
      running = next + (w ? 1 : 0);
    }
    const int32_t height = 1 + Random(40);  // bands of 16 rows and their tails
    Check(width, height, {0, 0, width, height}, {0, 0, width, height}, layout, 0, map.data(), Path::kAny);
    if (HasFatalFailure()) return;
    const bool yuy2 = layout == PixelFormat::kYuy2;
    const int32_t rowBytes = width * (yuy2 ? 2 : 3);
    const ColumnShape shape{width, 0, width, yuy2, false, 0, 0, rowBytes};
    AlignedArray<uint8_t> arena;
    ASSERT_TRUE(arena.Allocate(ColumnBlockPlanArenaBytes(shape)));
    ColumnBlockPlan plan;
    if (BuildColumnBlockPlan(shape, map.data(), arena.get(), &plan) && plan.savedBlocks > 0) ++plansWithSavedBlocks;
  }
  EXPECT_GT(fast_.Statistics().inPlaceColumnsPaths, 100);
  EXPECT_GT(plansWithSavedBlocks, 20);
}

// The panorama tables of a range of window shapes over the whole frame, as
// the frame pass uses them, including an odd RGB24 width.
TEST_P(FastPathsAt, PanoramaTables) {
  for (PixelFormat layout : {PixelFormat::kYuy2, PixelFormat::kRgb24}) {
    for (int32_t width : {720, 64, 1920, 101}) {
      if (layout == PixelFormat::kYuy2 && (width & 1)) continue;
      const int32_t height = width == 1920 ? 21 : 45;  // band tails of 5 and 13 rows
      std::vector<ScaleMapEntry> table(static_cast<size_t>(width));
      for (double ratio : {1.0 / 1.2, 1.2, 4.0 / 3.0, 1.5, 2.0}) {
        BuildPanoramaTable(width, ratio, 4, table.data());
        for (int32_t byFields : {0, 1}) {
          const Path path = ratio <= 4.0 / 3.0 && width >= 64 ? Path::kInPlaceColumns : Path::kAny;
          Check(width, height, {0, 0, width, height}, {0, 0, width, height}, layout, byFields, table.data(), path);
          if (HasFatalFailure()) return;
        }
      }
    }
  }
}

// The in-place kernel of the level on every difference B - A with every
// weight: entry j samples pixels j and j + 1 with weight j / 2, and row r
// alternates lumas x and x + r - 255, so entries 2w and 2w + 1 take +-(r - 255).
// 511 rows: full bands and a tail. The lumas against the rule, the rest
// against the scalar kernel.
TEST_P(FastPathsAt, InPlaceKernelOnEveryDifferenceAndWeight) {
  constexpr int32_t kEntries = 8192, kWidth = kEntries + 2, kRows = 511, kRowBytes = 2 * kWidth;
  std::vector<ScaleMapEntry> map(kEntries);
  for (int32_t j = 0; j < kEntries; ++j) map[static_cast<size_t>(j)] = MakeScaleMapEntry(0, 4, j / 2);
  const ColumnShape shape{kEntries, 0, kWidth, true, false, 0, 0, kRowBytes};
  AlignedArray<uint8_t> blockArena, bandArena;
  ASSERT_TRUE(blockArena.Allocate(ColumnBlockPlanArenaBytes(shape)));
  ASSERT_TRUE(bandArena.Allocate(ColumnBandPlanArenaBytes(shape)));
  ColumnBlockPlan blocks;
  ColumnBandPlan bands;
  ASSERT_TRUE(BuildColumnBlockPlan(shape, map.data(), blockArena.get(), &blocks));
  ASSERT_TRUE(BuildColumnBandPlan(shape, map.data(), bandArena.get(), &bands));
  std::vector<uint8_t> before(static_cast<size_t>(kRowBytes) * kRows);
  for (int32_t r = 0; r < kRows; ++r) {
    const int32_t x = std::max(0, 255 - r);
    for (int32_t i = 0; i < kRowBytes; ++i)
      before[static_cast<size_t>(r) * kRowBytes + i] =
          static_cast<uint8_t>(i % 2 ? random_() : (i % 4 ? x + r - 255 : x));
  }
  std::vector<uint8_t> frame(before), expected(before);
  const ColumnKernels kernels = EngineKernelsFor(GetParam()).columns;
  if (kernels.resampleRows) {
    kernels.resampleRows(frame.data(), kRowBytes, kRows, blocks);
  } else if (kernels.resampleBands) {
    kernels.resampleBands(frame.data(), kRowBytes, kRows, bands);
  } else {
    ResampleColumns_C(frame.data(), kRowBytes, kRows, blocks);
  }
  ResampleColumns_C(expected.data(), kRowBytes, kRows, blocks);
  for (int32_t r = 0; r < kRows; ++r) {
    const uint8_t* row = before.data() + static_cast<size_t>(r) * kRowBytes;
    for (int32_t j = 0; j < kEntries; ++j) {
      const uint8_t want = Interpolate(row[2 * j], row[2 * j + 2], j / 2);
      ASSERT_EQ(frame[static_cast<size_t>(r) * kRowBytes + 2 * j], want) << "row " << r << " entry " << j;
    }
  }
  EXPECT_EQ(frame, expected);
}

INSTANTIATE_TEST_SUITE_P(Levels, FastPathsAt,
                         testing::ValuesIn(kAllCpuLevels),
                         [](const testing::TestParamInfo<CpuLevel>& info) { return CpuLevelName(info.param); });

// Steady geometry: no fast path allocates, builds a map, a gather table,
// a column plan or row steps per frame; a caller's map changed in place is
// noticed.
TEST(FastPaths, SteadyStateAllocatesAndBuildsNothing) {
  std::vector<uint8_t> frame(720 * 576 * 2, 90);
  std::vector<ScaleMapEntry> table(720);
  BuildPanoramaTable(720, 4.0 / 3.0, 4, table.data());
  struct Case {
    Rect src, dst;
    const ScaleMapEntry* columns;
    bool identityColumns;  // a fast path at every level; in-place columns need SSE2
  };
  const Case cases[] = {{{0, 72, 720, 504}, {0, 0, 720, 576}, nullptr, true},
                        {{0, 0, 720, 576}, {90, 0, 630, 576}, nullptr, false},
                        {{0, 0, 720, 576}, {0, 0, 720, 576}, table.data(), false}};
  for (const Case& c : cases) {
    FrameScaler scaler;
    scaler.SetHysteresis(10, 10);
    const ScaleRequest request =
        test::Packed(frame.data(), 720, 576, c.src, c.dst, PixelFormat::kYuy2, false, c.columns);
    scaler.Scale(request);
    auto fastCalls = [](const FrameScaler::Stats& s) {
      return s.identityPaths + s.gatherPaths + s.inPlaceColumnsPaths;
    };
    const FrameScaler::Stats before = scaler.Statistics();
    for (int i = 0; i < 10; ++i) scaler.Scale(request);
    FrameScaler::Stats after = scaler.Statistics();
    if (UsableCpuLevel() >= CpuLevel::Sse2 || c.identityColumns) {
      EXPECT_EQ(fastCalls(after), fastCalls(before) + 10);
    }
    // Apart from the calls counted per path, nothing changed.
    after.identityPaths = before.identityPaths;
    after.gatherPaths = before.gatherPaths;
    after.inPlaceColumnsPaths = before.inPlaceColumnsPaths;
    EXPECT_EQ(after, before);
  }
  // The caller rebuilds its table in place for another window: a new plan.
  FrameScaler scaler;
  scaler.SetHysteresis(10, 10);
  const Rect whole{0, 0, 720, 576};
  scaler.Scale(test::Packed(frame.data(), 720, 576, whole, whole, PixelFormat::kYuy2, false, table.data()));
  const int32_t plans = scaler.Statistics().columnPlanBuilds;
  BuildPanoramaTable(720, 1.2, 4, table.data());
  std::vector<uint8_t> expected(frame);
  FrameScaler reference;
  reference.SetHysteresis(10, 10);
  reference.UseFastPaths(false);
  reference.Scale(test::Packed(expected.data(), 720, 576, whole, whole, PixelFormat::kYuy2, false, table.data()));
  scaler.Scale(test::Packed(frame.data(), 720, 576, whole, whole, PixelFormat::kYuy2, false, table.data()));
  EXPECT_EQ(frame, expected);
  if (UsableCpuLevel() >= CpuLevel::Sse2) {
    EXPECT_EQ(scaler.Statistics().columnPlanBuilds, plans + 1);
  }
}

}  // namespace
}  // namespace xvf
