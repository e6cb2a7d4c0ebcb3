#include "engine/frame_scaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "engine/interpolate.h"
#include "platform/aligned_buffer.h"
#include "tests/support/frame_setup.h"
#include "tests/support/guarded_buffer.h"

namespace xvf {
namespace {

// ---- A per-pixel model of the scaler, written from the sampling rule alone ----

// 16.16 position of destination sample k of dst samples taken from src samples.
void SourcePosition(int64_t src, int64_t dst, int64_t k, int32_t* whole, int32_t* weight) {
  int64_t p;
  if (src >= dst) {
    const int64_t q = src * 65536 / dst;
    p = k * src * 65536 / dst + q / 2 - 32768;
  } else {
    p = k * (src - 1) * 65536 / (dst - 1);
  }
  *whole = static_cast<int32_t>(p >> 16);
  *weight = static_cast<int32_t>((p & 0xFFFF) >> 4);
}

constexpr PixelFormat kYuy2 = PixelFormat::kYuy2;
constexpr PixelFormat kRgb24 = PixelFormat::kRgb24;

// Picture pixel (x, y) of a frame as a work pixel: Y U Y V, or B G R 0.
struct Pixel {
  int c[4];
};

class FrameView {
 public:
  FrameView(uint8_t* frame, int32_t width, int32_t height, PixelFormat layout)
      : frame_(frame), width_(width), height_(height), layout_(layout) {}

  uint8_t* Row(int32_t y) const {
    const int32_t memoryRow = layout_ == PixelFormat::kYuy2 ? y : height_ - 1 - y;
    return frame_ + static_cast<ptrdiff_t>(memoryRow) * width_ * BytesPerPixel(layout_);
  }
  Pixel Get(int32_t x, int32_t y) const {
    const uint8_t* row = Row(y);
    if (layout_ == PixelFormat::kRgb24) return Pixel{{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0}};
    const uint8_t* pair = row + 4 * (x / 2);
    const int luma = (x & 1) ? pair[2] : pair[0];
    return Pixel{{luma, pair[1], luma, pair[3]}};
  }

 private:
  uint8_t* frame_;
  int32_t width_, height_;
  PixelFormat layout_;
};

Pixel Mix(const Pixel& a, const Pixel& b, int32_t w) {
  Pixel out;
  for (int lane = 0; lane < 4; ++lane)
    out.c[lane] = Interpolate(static_cast<uint8_t>(a.c[lane]), static_cast<uint8_t>(b.c[lane]), w);
  return out;
}

// What Scale must leave in `expected` (a copy of the frame before the call).
void ModelScale(const std::vector<uint8_t>& before, std::vector<uint8_t>* expected, int32_t width, int32_t height,
                Rect src, Rect dst, PixelFormat layout, bool byFields) {
  if (byFields) {
    src.top &= ~1, src.bottom &= ~1, dst.top &= ~1, dst.bottom &= ~1;
  }
  const Rect frameRect{0, 0, width, height};
  Rect clipped, visible;
  if (!IntersectRect(&clipped, src, frameRect) || !IntersectRect(&visible, dst, frameRect)) return;
  if (byFields && clipped.Height() < 2) return;  // no whole field pair to scale from
  std::vector<uint8_t> source(before);
  const FrameView in(source.data(), width, height, layout);
  const FrameView out(expected->data(), width, height, layout);
  const int32_t dstWidth = dst.Width(), dstHeight = dst.Height();
  const int32_t fields = byFields ? 2 : 1;
  for (int32_t y = visible.top; y < visible.bottom; ++y) {
    // Which source rows: within the field of y, the rule's position.
    const int32_t field = byFields ? (y - dst.top) & 1 : 0;
    const int32_t k = (y - dst.top) / fields;
    int32_t row, rowWeight;
    SourcePosition(clipped.Height() / fields, dstHeight / fields, k, &row, &rowWeight);
    const int32_t rowA = clipped.top + field + fields * row;
    const int32_t rowB = rowWeight ? rowA + fields : rowA;
    for (int32_t x = visible.left; x < visible.right; ++x) {
      int32_t column, columnWeight;
      SourcePosition(clipped.Width(), dstWidth, x - dst.left, &column, &columnWeight);
      const int32_t columnA = clipped.left + column;
      const int32_t columnB = columnWeight ? columnA + 1 : columnA;
      const Pixel a = Mix(in.Get(columnA, rowA), in.Get(columnA, rowB), rowWeight);
      const Pixel b = Mix(in.Get(columnB, rowA), in.Get(columnB, rowB), rowWeight);
      const Pixel p = Mix(a, b, columnWeight);
      uint8_t* row0 = out.Row(y);
      if (layout == PixelFormat::kRgb24) {
        for (int c = 0; c < 3; ++c) row0[3 * x + c] = static_cast<uint8_t>(p.c[c]);
      } else {
        // U comes with the even pixel, V with the odd one.
        uint8_t* pair = row0 + 4 * (x / 2);
        if (x & 1) {
          pair[2] = static_cast<uint8_t>(p.c[2]);
          pair[3] = static_cast<uint8_t>(p.c[3]);
        } else {
          pair[0] = static_cast<uint8_t>(p.c[0]);
          pair[1] = static_cast<uint8_t>(p.c[1]);
        }
      }
    }
  }
}

std::vector<uint8_t> RandomBytes(size_t n, std::mt19937& random) {
  std::vector<uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// ---- Scale against the model ----


class ScaleAtLevel : public testing::TestWithParam<CpuLevel> {
 protected:
  void SetUp() override {
    if (GetParam() > DetectedCpuLevel()) GTEST_SKIP() << "CPU lacks " << CpuLevelName(GetParam());
    scaler.SetHysteresis(10, 10);
    scaler.UseKernels(EngineKernelsFor(GetParam()));
  }

  // Scales a random frame placed against a no-access page and compares it
  // with the model.
  void Check(int32_t width, int32_t height, Rect src, Rect dst, PixelFormat layout, bool byFields,
             std::mt19937& random) {
    SCOPED_TRACE(testing::Message() << width << "x" << height << " layout " << static_cast<int32_t>(layout)
                                    << " fields " << byFields << " src {" << src.left << "," << src.top << ","
                                    << src.right << "," << src.bottom << "} dst {" << dst.left << "," << dst.top << ","
                                    << dst.right << "," << dst.bottom << "}");
    const size_t bytes = FrameBytes(layout, width, height);
    const std::vector<uint8_t> before = RandomBytes(bytes, random);
    std::vector<uint8_t> expected(before);
    ModelScale(before, &expected, width, height, src, dst, layout, byFields);
    for (auto placement : {test::GuardedBuffer::kAgainstEnd, test::GuardedBuffer::kAgainstStart}) {
      test::GuardedBuffer frame(bytes, placement);
      std::memcpy(frame.data(), before.data(), bytes);
      scaler.Scale(test::Packed(frame.data(), width, height, src, dst, layout, byFields));
      ASSERT_EQ(0, std::memcmp(frame.data(), expected.data(), bytes));
    }
  }

  FrameScaler scaler;
};

TEST_P(ScaleAtLevel, MatchesTheModelOnRandomRectangles) {
  std::mt19937 random(1234 + static_cast<int>(GetParam()));
  for (int i = 0; i < 300; ++i) {
    PixelFormat layout = (i & 1) ? kRgb24 : kYuy2;
    int32_t width = 2 + static_cast<int32_t>(random() % 60);
    if (layout == PixelFormat::kYuy2) width &= ~1;
    else if (i % 4 == 1) width |= 1;  // odd RGB24 widths
    const int32_t height = 1 + static_cast<int32_t>(random() % 40);
    auto coordinate = [&](int32_t size) { return static_cast<int32_t>(random() % (size + 20)) - 10; };
    Rect src{coordinate(width), coordinate(height), 0, 0};
    src.right = src.left + 1 + static_cast<int32_t>(random() % (width + 10));
    src.bottom = src.top + 1 + static_cast<int32_t>(random() % (height + 10));
    Rect dst{coordinate(width), coordinate(height), 0, 0};
    dst.right = dst.left + 1 + static_cast<int32_t>(random() % (2 * width + 10));
    dst.bottom = dst.top + 1 + static_cast<int32_t>(random() % (2 * height + 10));
    Check(width, height, src, dst, layout, (i % 3) == 0, random);
  }
}

TEST_P(ScaleAtLevel, TypicalAspectGeometries) {
  std::mt19937 random(99);
  for (PixelFormat layout : {kYuy2, kRgb24}) {
    for (bool byFields : {false, true}) {
      Check(720, 576, {0, 72, 720, 504}, {0, 0, 720, 576}, layout, byFields, random);
      Check(720, 576, {90, 0, 630, 576}, {0, 0, 720, 576}, layout, byFields, random);
      Check(720, 576, {0, 0, 720, 576}, {90, 0, 630, 576}, layout, byFields, random);
      Check(720, 576, {0, 0, 720, 576}, {0, 18, 720, 557}, layout, byFields, random);
      Check(720, 575, {0, 0, 720, 575}, {0, 18, 720, 600}, layout, byFields, random);  // odd visible height
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, ScaleAtLevel,
                         testing::ValuesIn(kAllCpuLevels),
                         [](const testing::TestParamInfo<CpuLevel>& info) { return CpuLevelName(info.param); });

// ---- Documented behaviour ----

TEST(BufferHysteresis, KeepsGrowsAndShrinks) {
  BufferHysteresis hysteresis;
  hysteresis.Set(10, 10);
  AlignedArray<ScaleMapEntry> map;
  int32_t remembered = 0;
  ASSERT_TRUE(hysteresis.Ensure(&map, &remembered, 100));  // the first demand allocates
  EXPECT_EQ(remembered, 100);
  EXPECT_EQ(hysteresis.Allocations(), 1);
  for (int32_t demand : {90, 110, 100, 95})
    ASSERT_TRUE(hysteresis.Ensure(&map, &remembered, demand));
  EXPECT_EQ(hysteresis.Allocations(), 1);
  EXPECT_EQ(remembered, 100);
  ASSERT_TRUE(hysteresis.Ensure(&map, &remembered, 111));  // room for 122
  EXPECT_EQ(remembered, 111);
  EXPECT_EQ(hysteresis.Allocations(), 2);
  remembered = 100;
  ASSERT_TRUE(hysteresis.Ensure(&map, &remembered, 89));  // room for 98
  EXPECT_EQ(remembered, 89);
  EXPECT_EQ(hysteresis.Allocations(), 3);
}

TEST(BufferHysteresis, AreaHasHeadroomOverItsDemand) {
  BufferHysteresis hysteresis;
  hysteresis.Set(10, 10);
  BufferHysteresis::Area work;
  ASSERT_TRUE(hysteresis.Ensure(&work, 722, 576, 4));
  ASSERT_TRUE(hysteresis.Ensure(&work, 700, 600, 4));
  EXPECT_EQ(hysteresis.Allocations(), 1);
  ASSERT_TRUE(hysteresis.Ensure(&work, 700, 700, 4));
  EXPECT_EQ(hysteresis.Allocations(), 2);
  EXPECT_EQ(work.width, 722);
  EXPECT_EQ(work.height, 700);
}

TEST(FrameScaler, ByFieldsRowMapOfTheFourThreeBand) {
  // 576 rows onto rows 72..503: without fields and by fields.
  const int32_t width = 8, height = 576;
  std::vector<uint8_t> frame(FrameBytes(kYuy2, width, height));
  for (int32_t y = 0; y < height; ++y)
    std::fill_n(frame.begin() + y * width * 2, width * 2, static_cast<uint8_t>(y * 7));
  std::vector<uint8_t> before(frame);
  FrameScaler scaler;
  scaler.SetHysteresis(10, 10);
  scaler.Scale(test::Packed(frame.data(), width, height, {0, 0, width, height}, {0, 72, width, 504}, kYuy2));
  EXPECT_EQ(frame[72 * width * 2], Interpolate(before[0], before[width * 2], 682));
  EXPECT_EQ(frame[73 * width * 2], Interpolate(before[1 * width * 2], before[2 * width * 2], 2047));

  frame = before;
  scaler.Scale(test::Packed(frame.data(), width, height, {0, 0, width, height}, {0, 72, width, 504}, kYuy2, true));
  const auto row = [&](int32_t y) { return before[y * width * 2]; };
  EXPECT_EQ(frame[72 * width * 2], Interpolate(row(0), row(2), 682));
  EXPECT_EQ(frame[73 * width * 2], Interpolate(row(1), row(3), 682));
  EXPECT_EQ(frame[74 * width * 2], Interpolate(row(2), row(4), 2047));
  EXPECT_EQ(frame[75 * width * 2], Interpolate(row(3), row(5), 2047));
}

TEST(FrameScaler, ByFieldsRoundsRowsDownToEven) {
  // A destination with top 5 and bottom 11 becomes rows 4..9.
  const int32_t width = 4, height = 16;
  std::vector<uint8_t> frame(FrameBytes(kYuy2, width, height), 0);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 31 + 7);
  const std::vector<uint8_t> before(frame);
  FrameScaler scaler;
  scaler.SetHysteresis(10, 10);
  scaler.Scale(test::Packed(frame.data(), width, height, {0, 0, width, height}, {0, 5, width, 11}, kYuy2, true));
  const size_t rowBytes = width * 2;
  EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + 4 * rowBytes, before.begin()));
  EXPECT_TRUE(std::equal(frame.begin() + 10 * rowBytes, frame.end(), before.begin() + 10 * rowBytes));
  EXPECT_FALSE(std::equal(frame.begin() + 4 * rowBytes, frame.begin() + 10 * rowBytes, before.begin() + 4 * rowBytes));
}

TEST(FrameScaler, ScalingOntoItselfChangesNothing) {
  std::mt19937 random(5);
  for (PixelFormat layout : {kYuy2, kRgb24}) {
    std::vector<uint8_t> frame = RandomBytes(FrameBytes(layout, 64, 48), random);
    const std::vector<uint8_t> before(frame);
    FrameScaler scaler;
    scaler.SetHysteresis(10, 10);
    scaler.Scale(test::Packed(frame.data(), 64, 48, {3, 5, 61, 40}, {3, 5, 61, 40}, layout));
    EXPECT_EQ(frame, before);
  }
}

TEST(FrameScaler, RectanglesMissingTheFrameChangeAndAllocateNothing) {
  std::vector<uint8_t> frame(FrameBytes(kYuy2, 32, 16), 77);
  FrameScaler scaler;
  scaler.SetHysteresis(10, 10);
  scaler.Scale(test::Packed(frame.data(), 32, 16, {40, 0, 50, 16}, {0, 0, 32, 16}, PixelFormat::kYuy2));
  scaler.Scale(test::Packed(frame.data(), 32, 16, {0, 0, 32, 16}, {-10, 0, 0, 16}, PixelFormat::kYuy2));
  scaler.Scale(test::Packed(frame.data(), 32, 16, {0, 0, 32, 16}, {0, 3, 32, 3}, PixelFormat::kYuy2));
  EXPECT_EQ(scaler.Statistics().allocations, 0);
  EXPECT_EQ(frame, std::vector<uint8_t>(frame.size(), 77));
}

TEST(FrameScaler, OutOfRangeInputLeavesTheFrameAlone) {
  std::vector<uint8_t> frame(FrameBytes(kRgb24, 33, 8), 9);
  const std::vector<uint8_t> before(frame);
  FrameScaler scaler;
  scaler.SetHysteresis(10, 10);
  // YUY2 with an odd width, an unknown layout, a destination 65536 wide, a
  // destination whose width overflows 32 bits.
  scaler.Scale(test::Packed(frame.data(), 33, 8, {0, 0, 33, 8}, {0, 2, 33, 6}, PixelFormat::kYuy2));
  scaler.Scale(test::Packed(frame.data(), 32, 8, {0, 0, 32, 8}, {0, 2, 32, 6}, PixelFormatOf(2)));
  scaler.Scale(test::Packed(frame.data(), 32, 8, {0, 0, 32, 8}, {-65535, 0, 1, 8}, PixelFormat::kRgb24));
  scaler.Scale(test::Packed(frame.data(), 32, 8, {0, 0, 32, 8}, {INT32_MIN, 0, INT32_MAX, 8}, PixelFormat::kRgb24));
  scaler.Scale(test::Packed(frame.data(), 0, 8, {0, 0, 32, 8}, {0, 0, 32, 8}, PixelFormat::kRgb24));
  EXPECT_EQ(frame, before);
}

TEST(FrameScaler, FailedAllocationLeavesTheFrameAlone) {
  std::mt19937 random(8);
  std::vector<uint8_t> frame = RandomBytes(FrameBytes(kYuy2, 64, 48), random);
  const std::vector<uint8_t> before(frame);
  static int allowed;
  for (int failing = 0; failing < 3; ++failing) {
    // Work buffer, row map, column map: the first `failing` succeed, then one fails.
    FrameScaler scaler;
    scaler.SetHysteresis(10, 10);
    allowed = failing;
    SetAllocFailureHook([](size_t) { return allowed-- <= 0; });
    scaler.Scale(test::Packed(frame.data(), 64, 48, {0, 6, 64, 42}, {0, 0, 64, 48}, PixelFormat::kYuy2));
    SetAllocFailureHook(nullptr);
    EXPECT_EQ(frame, before) << "allocation " << failing << " failed";
    // Once memory is back the same call works.
    scaler.Scale(test::Packed(frame.data(), 64, 48, {0, 6, 64, 42}, {0, 0, 64, 48}, PixelFormat::kYuy2));
    EXPECT_NE(frame, before);
    frame = before;
  }
}

// The result tells the frame pass whether the destination now holds the
// scaled source (also when none of it is visible), whether there was no
// source to scale, or whether the frame was left alone (unusable input, no
// memory); only the last must not be reported as a change.
TEST(FrameScaler, ResultSaysWhetherTheScaledPictureIsInPlace) {
  using Result = FrameScaler::Result;
  std::vector<uint8_t> frame(FrameBytes(kYuy2, 64, 48), 60);
  FrameScaler scaler;
  scaler.SetHysteresis(10, 10);
  const auto scale = [&](uint8_t* f, Rect src, Rect dst, PixelFormat format) {
    return scaler.Scale(test::Packed(f, 64, 48, src, dst, format));
  };
  EXPECT_EQ(scale(frame.data(), {0, 6, 64, 42}, {0, 0, 64, 48}, kYuy2), Result::kScaled);
  EXPECT_EQ(scale(frame.data(), {0, 6, 64, 42}, {0, 60, 64, 90}, kYuy2), Result::kScaled);
  EXPECT_EQ(scale(frame.data(), {0, 24, 64, 24}, {0, 0, 64, 48}, kYuy2), Result::kEmptySource);
  EXPECT_EQ(scale(frame.data(), {70, 6, 90, 42}, {0, 0, 64, 48}, kYuy2), Result::kEmptySource);
  EXPECT_EQ(scale(frame.data(), {0, 6, 64, 42}, {0, 0, 64, 48}, PixelFormatOf(2)), Result::kLeftUnchanged);
  EXPECT_EQ(scale(nullptr, {0, 6, 64, 42}, {0, 0, 64, 48}, kYuy2), Result::kLeftUnchanged);
  SetAllocFailureHook([](size_t) { return true; });
  EXPECT_EQ(scale(frame.data(), {0, 0, 64, 48}, {0, 0, 32, 48}, kYuy2), Result::kLeftUnchanged);
  SetAllocFailureHook(nullptr);
}

TEST(FrameScaler, SteadyGeometryAllocatesAndBuildsNothing) {
  std::vector<uint8_t> frame(FrameBytes(kYuy2, 720, 576), 50);
  FrameScaler scaler;
  scaler.SetHysteresis(10, 10);
  scaler.Scale(test::Packed(frame.data(), 720, 576, {90, 0, 630, 576}, {0, 0, 720, 576}, PixelFormat::kYuy2, true));
  const FrameScaler::Stats before = scaler.Statistics();
  const int32_t builds = before.mapBuilds;
  EXPECT_EQ(builds, 2);
  for (int i = 0; i < 10; ++i)
    scaler.Scale(test::Packed(frame.data(), 720, 576, {90, 0, 630, 576}, {0, 0, 720, 576}, PixelFormat::kYuy2, true));
  EXPECT_EQ(scaler.Statistics().allocations, before.allocations);
  EXPECT_EQ(scaler.Statistics().mapBuilds, builds);
  // A change of frame width alone changes the row step: only the row map is rebuilt.
  std::vector<uint8_t> wider(FrameBytes(kYuy2, 722, 576), 50);
  scaler.Scale(test::Packed(wider.data(), 722, 576, {90, 0, 630, 576}, {0, 0, 720, 576}, PixelFormat::kYuy2, true));
  EXPECT_EQ(scaler.Statistics().mapBuilds, builds + 1);
}

TEST(FrameScaler, CallerColumnMapLeavesTheOwnMapAlone) {
  std::mt19937 random(11);
  const std::vector<uint8_t> before = RandomBytes(FrameBytes(kYuy2, 16, 4), random);
  const Rect src{2, 0, 14, 4}, dst{0, 0, 16, 4};
  std::vector<uint8_t> expected(before), frame(before);
  FrameScaler fresh, scaler;
  fresh.Scale(test::Packed(expected.data(), 16, 4, src, dst, kYuy2));
  scaler.Scale(test::Packed(frame.data(), 16, 4, src, dst, kYuy2));
  const int32_t builds = scaler.Statistics().mapBuilds;
  std::vector<ScaleMapEntry> other(16);  // the left half stretched
  BuildScaleMap(8, 16, 0, 16, 4, other.data());
  scaler.Scale(test::Packed(frame.data(), 16, 4, {0, 0, 16, 4}, dst, kYuy2, false, other.data()));
  frame = before;
  scaler.Scale(test::Packed(frame.data(), 16, 4, src, dst, kYuy2));
  EXPECT_EQ(frame, expected);
  EXPECT_EQ(scaler.Statistics().mapBuilds, builds);  // same key as before the caller's map: no rebuild
}

TEST(FrameScaler, OddSourceLeftStartsOnTheSecondWorkPixel) {
  // Source columns 3..7 onto 0..4 is a plain copy; column 3 is a Y1 with its pair's U and V.
  const int32_t width = 8;
  std::vector<uint8_t> frame(FrameBytes(kYuy2, width, 1));
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(10 + i);
  FrameScaler scaler;
  scaler.SetHysteresis(10, 10);
  scaler.Scale(test::Packed(frame.data(), width, 1, {3, 0, 7, 1}, {0, 0, 4, 1}, PixelFormat::kYuy2));
  // Pair 0 gets Y of column 3 (byte 6), U of column 3 (byte 5); Y of column 4 (8), V of column 4 (11).
  const uint8_t expected[] = {16, 15, 18, 21, 20, 19, 22, 25};
  EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + 8, expected));
}

}  // namespace
}  // namespace xvf
