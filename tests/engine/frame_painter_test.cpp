#include "engine/frame_painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "tests/support/frame_setup.h"
#include "tests/support/guarded_buffer.h"

namespace xvf {
namespace {

using Bytes = std::vector<uint8_t>;
using test::GuardedBuffer;

// ---- A plain per-pixel model of a fill --------------------------------------

int32_t FloorDiv(int64_t a, int64_t b) {
  return static_cast<int32_t>(std::floor(static_cast<double>(a) / static_cast<double>(b)));
}

uint8_t ClampToByte(int32_t v) { return static_cast<uint8_t>(std::min(255, std::max(0, v))); }

// Bytes of the pixel value in memory order.
void ModelPixel(int32_t format, uint32_t colour, uint8_t out[4]) {
  const int32_t r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
  if (format == 0) {
    const uint8_t y = ClampToByte(FloorDiv(9798 * r + 19235 * g + 3735 * b, 32768));
    out[0] = out[2] = y;
    out[1] = ClampToByte(FloorDiv(-5529 * r - 10855 * g + 16384 * b, 32768) + 128);
    out[3] = ClampToByte(FloorDiv(16384 * r - 13720 * g - 2664 * b, 32768) + 128);
  } else {
    out[0] = static_cast<uint8_t>(b);
    out[1] = static_cast<uint8_t>(g);
    out[2] = static_cast<uint8_t>(r);
    out[3] = 0;
  }
}

// Win32 rounding of (100 - opacity) * 256 / 100, halves up (all non-negative).
int32_t ModelKeep(int32_t opacity) {
  opacity = std::min(100, std::max(0, opacity));
  return ((100 - opacity) * 512 + 100) / 200;
}

uint8_t ModelByte(uint8_t d, uint8_t c, int32_t keep) {
  return static_cast<uint8_t>(c + FloorDiv((d - c) * keep, 256));
}

// Per pixel: a YUY2 pixel in the rectangle gets its own Y byte; a pair's U and
// V change when its even pixel is in the rectangle (a pair cut by the left edge
// keeps its chroma, one cut by the right edge takes the colour's). An RGB24
// pixel in the rectangle gets its three bytes.
Bytes Model(Bytes frame, int32_t w, int32_t h, int32_t format, int32_t left, int32_t top, int32_t right,
            int32_t bottom, uint32_t colour, int32_t opacity) {
  if (format != 0 && format != 1) return frame;
  if (format == 0 && (w & 1)) return frame;
  uint8_t c[4];
  ModelPixel(format, colour, c);
  const int32_t keep = ModelKeep(opacity);
  for (int32_t y = std::max(top, 0); y < std::min(bottom, h); ++y) {
    for (int32_t x = std::max(left, 0); x < std::min(right, w); ++x) {
      if (format == 0) {
        uint8_t* p = &frame[static_cast<size_t>(y) * 2 * w + 2 * x];
        p[0] = ModelByte(p[0], c[0], keep);
        if ((x & 1) == 0) {
          p[1] = ModelByte(p[1], c[1], keep);
          p[3] = ModelByte(p[3], c[3], keep);
        }
      } else {
        uint8_t* p = &frame[static_cast<size_t>(h - 1 - y) * 3 * w + 3 * x];
        for (int i = 0; i < 3; ++i) p[i] = ModelByte(p[i], c[i], keep);
      }
    }
  }
  return frame;
}

// ---- Helpers ------------------------------------------------------------------

Bytes Pattern(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes bytes(size);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
  return bytes;
}

// A frame of w x h pixels against a no-access page, filled with `fill`.
struct Frame {
  Frame(int32_t w, int32_t h, int32_t format, const Bytes& fill,
        GuardedBuffer::Placement placement = GuardedBuffer::kAgainstEnd)
      : buffer(fill.size(), placement) {
    painter.Setup(w, h, PixelFormatOf(format));
    if (!fill.empty()) std::memcpy(buffer.data(), fill.data(), fill.size());
  }
  void Paint(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour, int32_t opacity) {
    painter.PaintRect(buffer.data(), left, top, right, bottom, colour, opacity);
  }
  Bytes Contents() const { return Bytes(buffer.data(), buffer.data() + buffer.size()); }

  GuardedBuffer buffer;
  FramePainter painter;
};


// ---- Setup and addressing -------------------------------------------------------

TEST(FramePainter, PixelAddressFollowsTheRowOrder) {
  uint8_t buffer[64];
  FramePainter painter;
  painter.Setup(5, 3, PixelFormat::kYuy2);
  EXPECT_EQ(painter.FrameRect(), (Rect{0, 0, 5, 3}));
  EXPECT_EQ(painter.PixelAddress(buffer, 0, 0), buffer);
  EXPECT_EQ(painter.PixelAddress(buffer, 3, 2), buffer + 6 + 20);
  painter.Setup(5, 3, PixelFormat::kRgb24);  // picture row 0 is the last row in memory
  EXPECT_EQ(painter.PixelAddress(buffer, 0, 0), buffer + 30);
  EXPECT_EQ(painter.PixelAddress(buffer, 4, 2), buffer + 12);
  EXPECT_EQ(painter.PixelAddress(buffer, 1, 1), buffer + 18);
  painter.Setup(320, 240, PixelFormatOf(7));
  EXPECT_EQ(painter.FrameRect(), (Rect{0, 0, 320, 240}));
  EXPECT_EQ(painter.PixelAddress(buffer, 4, 2), buffer);
}

TEST(FramePainter, PixelAddressOfHugeFramesDoesNotOverflow) {
  if (sizeof(void*) < 8) GTEST_SKIP() << "offsets beyond 4 GiB need a 64-bit address space";
  uint8_t* const base = reinterpret_cast<uint8_t*>(uintptr_t{1} << 20);
  FramePainter painter;
  painter.Setup(60000, 60000, PixelFormat::kYuy2);
  EXPECT_EQ(painter.PixelAddress(base, 59999, 59999) - base, int64_t{2} * 59999 + int64_t{120000} * 59999);
  painter.Setup(60000, 60000, PixelFormat::kRgb24);
  EXPECT_EQ(painter.PixelAddress(base, 7, 0) - base, 21 + int64_t{180000} * 59999);
}

// ---- Colour conversion ----------------------------------------------------------

uint32_t Bytes4(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return b0 | (b1 << 8) | (b2 << 16) | (static_cast<uint32_t>(b3) << 24);
}

TEST(FramePainter, ColourToPixelExamples) {
  FramePainter painter;
  painter.Setup(2, 2, PixelFormat::kYuy2);
  EXPECT_EQ(painter.ColourToPixel(0x000000), Bytes4(0x00, 0x80, 0x00, 0x80));
  EXPECT_EQ(painter.ColourToPixel(0xFFFFFF), Bytes4(0xFF, 0x80, 0xFF, 0x80));
  EXPECT_EQ(painter.ColourToPixel(0xAB000000), Bytes4(0x00, 0x80, 0x00, 0x80)) << "top byte ignored";
  // Pure red: Y = 9798*255 >> 15 = 76; U = floor(-5529*255 / 32768) + 128 = 84; V = 127 + 128.
  EXPECT_EQ(painter.ColourToPixel(0x0000FF), Bytes4(76, 84, 76, 255));
  // Pure blue: U = 127 + 128 = 255; V = floor(-2664*255 / 32768) + 128 = 107.
  EXPECT_EQ(painter.ColourToPixel(0xFF0000), Bytes4(29, 255, 29, 107));

  painter.Setup(2, 2, PixelFormat::kRgb24);
  EXPECT_EQ(painter.ColourToPixel(0x00332211), 0x00112233u);
  EXPECT_EQ(painter.ColourToPixel(0xFF0000FF), 0x00FF0000u);

  painter.Setup(2, 2, PixelFormatOf(3));
  EXPECT_EQ(painter.ColourToPixel(0xFF332211), 0xFF332211u);
}

// ---- Byte examples ----------------------------------------------------------------

TEST(FramePainter, Yuy2OpaqueRowBytes) {
  const Bytes before = Pattern(FrameBytes(PixelFormat::kYuy2, 8, 2), 1);
  Frame f(8, 2, 0, before);
  f.Paint(0, 0, 4, 1, 0, 100);
  Bytes expected = before;
  const uint8_t black[8] = {0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80};
  std::copy(black, black + 8, expected.begin());
  EXPECT_EQ(f.Contents(), expected);
}

TEST(FramePainter, Yuy2ColumnParity) {
  const Bytes before(FrameBytes(PixelFormat::kYuy2, 8, 1), 0x55);
  const uint8_t halfY = 0x55 / 2, halfC = 128 + (0x55 - 128 - 1) / 2;  // floor((85 - 128) / 2) = -22
  struct Case {
    const char* what;
    int32_t left, right;
    uint32_t colour;  // white: bytes FF 80 FF 80
    int32_t opacity;
    std::vector<std::pair<size_t, uint8_t>> changed;  // byte index, new value
  };
  const Case cases[] = {
      {"single pixel at column 5: only Y1 of pair 2", 5, 6, 0xFFFFFF, 100, {{10, 0xFF}}},
      {"single pixel at column 4: Y0, U, V of pair 2", 4, 5, 0xFFFFFF, 100, {{8, 0xFF}, {9, 0x80}, {11, 0x80}}},
      {"columns 1 to 3: Y1 of pair 0, all of pair 1", 1, 4, 0xFFFFFF, 100,
       {{2, 0xFF}, {4, 0xFF}, {5, 0x80}, {6, 0xFF}, {7, 0x80}}},
      {"50 % black over columns 3 and 4: pair 1 keeps its chroma", 3, 5, 0, 50,
       {{6, halfY}, {8, halfY}, {9, halfC}, {11, halfC}}},  // Y1 of pair 1, Y0 of pair 2, U, V of pair 2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Frame f(8, 1, 0, before);
    f.Paint(c.left, 0, c.right, 1, c.colour, c.opacity);
    Bytes expected = before;
    for (const auto& [index, value] : c.changed) expected[index] = value;
    EXPECT_EQ(f.Contents(), expected);
  }
}

TEST(FramePainter, Rgb24RowsRunBottomUp) {
  const int32_t w = 5, h = 3;  // rows of 15 bytes: not a multiple of 4
  const Bytes before = Pattern(FrameBytes(PixelFormat::kRgb24, w, h), 2);
  Frame f(w, h, 1, before);
  f.Paint(0, 0, 1, 1, 0x0000FF, 100);
  Bytes expected = before;
  expected[3 * w * (h - 1) + 0] = 0x00;
  expected[3 * w * (h - 1) + 1] = 0x00;
  expected[3 * w * (h - 1) + 2] = 0xFF;
  EXPECT_EQ(f.Contents(), expected);

  f.Paint(3, 1, 5, 3, 0x00CC8844, 100);  // bytes CC 88 44 at x 3..4 of rows 1 and 2
  for (int32_t y = 1; y < 3; ++y) {
    for (int32_t x = 3; x < 5; ++x) {
      uint8_t* p = &expected[3 * w * (h - 1 - y) + 3 * x];
      p[0] = 0xCC;
      p[1] = 0x88;
      p[2] = 0x44;
    }
  }
  EXPECT_EQ(f.Contents(), expected);
}

// ---- Clipping and hostile input ----------------------------------------------------

TEST(FramePainter, RectanglesOutsideEmptyOrInvertedPaintNothing) {
  const int32_t w = 6, h = 4;
  for (int32_t format : {0, 1}) {
    const Bytes before = Pattern(FrameBytes(PixelFormatOf(format), w, h), 3);
    Frame f(w, h, format, before);
    const Rect misses[] = {
        {w, 0, w + 5, h},       {0, h, w, h + 3},   {-4, 0, 0, h},       {0, -4, w, 0},
        {2, 1, 2, 3},           {2, 1, 5, 1},       {-3, -3, -1, -1},    {4, 1, 2, 3},
        {1, 3, 4, 2},           {5, 1, -2, 3},      {INT_MIN, INT_MIN, INT_MIN, INT_MIN},
        {INT_MAX, 0, INT_MIN, h}, {0, INT_MAX, w, INT_MIN},
    };
    for (const Rect& r : misses) {
      f.Paint(r.left, r.top, r.right, r.bottom, 0xFFFFFF, 100);
      f.Paint(r.left, r.top, r.right, r.bottom, 0xFFFFFF, 40);
    }
    EXPECT_EQ(f.Contents(), before) << "format " << format;
  }
}

TEST(FramePainter, RectangleBeyondEveryEdgePaintsTheWholeFrame) {
  for (int32_t format : {0, 1}) {
    const int32_t w = format == 0 ? 6 : 7, h = 5;
    Frame f(w, h, format, Pattern(FrameBytes(PixelFormatOf(format), w, h), 4));
    f.Paint(-5, -5, w + 5, h + 5, 0, 100);
    f.Paint(INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 100);
    const Bytes contents = f.Contents();
    for (size_t i = 0; i < contents.size(); ++i) {
      const uint8_t expected = format == 0 && (i & 1) ? 0x80 : 0x00;
      ASSERT_EQ(contents[i], expected) << "format " << format << " byte " << i;
    }
  }
}

TEST(FramePainter, FillsWithoutAPaintableLayoutPaintNothing) {
  const Bytes before = Pattern(FrameBytes(PixelFormat::kRgb24, 6, 4), 5);
  {
    SCOPED_TRACE("unknown pixel format after a valid one");
    Frame f(6, 4, 0, before);
    f.painter.Setup(6, 4, PixelFormatOf(2));
    f.Paint(0, 0, 6, 4, 0, 100);
    f.Paint(0, 0, 6, 4, 0, 50);
    EXPECT_EQ(f.Contents(), before);
  }
  {
    SCOPED_TRACE("null buffer");
    FramePainter painter;
    painter.Setup(6, 4, PixelFormat::kYuy2);
    painter.PaintRect(static_cast<uint8_t*>(nullptr), 0, 0, 6, 4, 0, 100);
    painter.PaintRect(FrameRows{}, 0, 0, 6, 4, 0, 30);
  }
  {
    SCOPED_TRACE("YUY2 with an odd width: pairs would straddle rows");
    const Bytes odd = Pattern(FrameBytes(PixelFormat::kYuy2, 5, 3), 6);
    Frame f(5, 3, 0, odd);
    f.Paint(0, 0, 5, 3, 0, 100);
    f.Paint(4, 2, 5, 3, 0, 50);
    EXPECT_EQ(f.Contents(), odd);
  }
  {
    SCOPED_TRACE("no width or no height");
    uint8_t canary[16] = {};
    FramePainter painter;
    for (int32_t format : {0, 1}) {
      painter.Setup(0, 4, PixelFormatOf(format));
      painter.PaintRect(canary, -1, -1, 8, 8, 0xFFFFFF, 100);
      painter.Setup(4, -2, PixelFormatOf(format));
      painter.PaintRect(canary, -1, -1, 8, 8, 0xFFFFFF, 100);
      painter.Setup(-4, 2, PixelFormatOf(format));
      painter.PaintRect(canary, INT_MIN, -1, -6, 8, 0xFFFFFF, 100);
    }
    EXPECT_EQ(Bytes(canary, canary + 16), Bytes(16, 0));
  }
}

// ---- Opacity ----------------------------------------------------------------------

TEST(FramePainter, OpacityWeights) {
  const int32_t w = 4, h = 1;
  {
    SCOPED_TRACE("opacity 0 and below leave every byte");
    const Bytes before = Pattern(FrameBytes(PixelFormat::kYuy2, w, h), 7);
    Frame f(w, h, 0, before);
    f.Paint(0, 0, w, h, 0xFFFFFF, 0);
    f.Paint(1, 0, w, h, 0x123456, -40);
    EXPECT_EQ(f.Contents(), before);
  }
  {
    SCOPED_TRACE("opacity 100 and above cover");
    Frame f(w, h, 1, Pattern(FrameBytes(PixelFormat::kRgb24, w, h), 8));
    f.Paint(0, 0, 2, h, 0x0A0B0C, 100);
    f.Paint(2, 0, 4, h, 0x0A0B0C, 250);
    EXPECT_EQ(f.Contents(), (Bytes{10, 11, 12, 10, 11, 12, 10, 11, 12, 10, 11, 12}));
  }
  {
    SCOPED_TRACE("50 % black over YUY2: luma halves, chroma halves its distance to 128");
    Frame f(w, h, 0, Bytes{200, 200, 0, 40, 255, 40, 1, 200});
    f.Paint(0, 0, w, h, 0, 50);
    EXPECT_EQ(f.Contents(), (Bytes{100, 164, 0, 84, 127, 84, 0, 164}));
  }
  {
    SCOPED_TRACE("RGB24: 75 % keeps 64/256, 25 % keeps 192/256, 1 % keeps 253/256");
    Frame f(3, 1, 1, Bytes{255, 0, 200, 255, 0, 200, 255, 0, 200});
    f.Paint(0, 0, 1, 1, 0x000000, 75);
    f.Paint(1, 0, 2, 1, 0x000000, 25);
    f.Paint(2, 0, 3, 1, 0xFFFFFF, 1);
    EXPECT_EQ(f.Contents(), (Bytes{63, 0, 50, 191, 0, 150, 255, 2, 200}));
  }
}

// ---- Random rectangles against the model, frames against no-access pages --------

// At every kernel level; the MMX kernels must also leave the x87 unit usable
// (32-bit builds do their doubles there).
class PaintAtLevel : public testing::TestWithParam<CpuLevel> {
 protected:
  void SetUp() override {
    if (GetParam() > DetectedCpuLevel()) GTEST_SKIP() << "CPU lacks " << CpuLevelName(GetParam());
  }
};

TEST_P(PaintAtLevel, RandomFillsMatchThePerPixelModel) {
  const EngineKernels kernels = EngineKernelsFor(GetParam());
  volatile double x87Operand = 1.5;
  std::mt19937 rng(20240607);
  auto uniform = [&rng](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
  for (auto placement : {GuardedBuffer::kAgainstEnd, GuardedBuffer::kAgainstStart}) {
    for (int iteration = 0; iteration < 1500; ++iteration) {
      const int32_t format = uniform(0, 7) == 0 ? uniform(2, 4) : uniform(0, 1);
      int32_t w = uniform(1, uniform(0, 3) == 0 ? 130 : 20);
      if (format == 0 && uniform(0, 9) != 0) w += w & 1;  // mostly even YUY2 widths
      const int32_t h = uniform(1, 9);
      const size_t bytes = FrameBytes(PixelFormatOf(format == 0 ? 0 : 1), w, h);
      const Bytes before = Pattern(bytes, static_cast<uint32_t>(rng()));
      Frame f(w, h, format, before, placement);
      f.painter.UseKernels(kernels);

      int32_t left = uniform(-6, w + 6), right = uniform(-6, w + 6);
      int32_t top = uniform(-3, h + 3), bottom = uniform(-3, h + 3);
      if (uniform(0, 3) != 0) {  // mostly ordered; the rest stay inverted when they are
        if (left > right) std::swap(left, right);
        if (top > bottom) std::swap(top, bottom);
      }
      const int32_t pick = uniform(0, 5);
      const int32_t opacity = pick == 0 ? 100 : pick == 1 ? 0 : uniform(-20, 130);
      const uint32_t colour = static_cast<uint32_t>(rng());

      if (iteration & 1) {
        f.Paint(left, top, right, bottom, colour, opacity);
      } else {  // the same rows as the frame pass hands them over
        const FrameRows rows = PackedRows(f.buffer.data(), PixelFormatOf(format), w, h);
        f.painter.PaintRect(rows, left, top, right, bottom, colour, opacity);
      }
      const Bytes expected = Model(before, w, h, format, left, top, right, bottom, colour, opacity);
      ASSERT_EQ(f.Contents(), expected) << "format " << format << ", " << w << " x " << h << ", rect {" << left
                                        << ", " << top << ", " << right << ", " << bottom << "}, opacity "
                                        << opacity << ", colour " << std::hex << colour;
      const double a = x87Operand, b = x87Operand * 2.0;  // x87 loads after the kernels
      ASSERT_EQ(a + b, 4.5) << "the MMX state was not cleared";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, PaintAtLevel, testing::ValuesIn(kAllCpuLevels),
                         [](const testing::TestParamInfo<CpuLevel>& info) { return CpuLevelName(info.param); });

}  // namespace
}  // namespace xvf
