// The frame pass of PluginState with the client size as input.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/aligned_buffer.h"
#include "framepass/aspect_geometry.h"
#include "framepass/plugin_state.h"
#include "platform/x87_precision.h"
#include "tests/support/frame_setup.h"
#include "tests/support/guarded_buffer.h"
#include "tests/support/noise_frame.h"
#include "tests/support/x87_control_word.h"

namespace xvf {
namespace {

using test::WindowInputs;
using test::SetX87ControlWord;
using test::X87ControlWord;

void StartStream(PluginState* state, int32_t w, int32_t h, int32_t format, int32_t bypass = 0) {
  state->Start(StreamFormat{w, h, 0, format, bypass}, nullptr);
}

// Picture pixel (x, y) is black in the stream's format.
bool IsBlack(const std::vector<uint8_t>& f, int32_t w, int32_t h, int32_t format, int32_t x, int32_t y) {
  if (format == 1) {
    const uint8_t* p = &f[(static_cast<size_t>(h - 1 - y) * w + x) * 3];
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
  }
  const uint8_t* pair = &f[static_cast<size_t>(y) * w * 2 + (x / 2) * 4];
  return pair[(x & 1) * 2] == 0 && pair[1] == 128 && pair[3] == 128;
}

// Rows (or, across, columns) that are black all along, as [first, last] runs.
std::vector<int32_t> BlackLines(const std::vector<uint8_t>& f, int32_t w, int32_t h, int32_t format, bool across) {
  const int32_t lines = across ? w : h, length = across ? h : w;
  std::vector<int32_t> black;
  for (int32_t i = 0; i < lines; ++i) {
    bool all = true;
    for (int32_t j = 0; j < length && all; ++j) all = across ? IsBlack(f, w, h, format, i, j) : IsBlack(f, w, h, format, j, i);
    if (all) black.push_back(i);
  }
  return black;
}
std::vector<int32_t> BlackRows(const std::vector<uint8_t>& f, int32_t w, int32_t h, int32_t format) {
  return BlackLines(f, w, h, format, false);
}
std::vector<int32_t> BlackColumns(const std::vector<uint8_t>& f, int32_t w, int32_t h, int32_t format) {
  return BlackLines(f, w, h, format, true);
}

std::vector<int32_t> Runs(int32_t a, int32_t b, int32_t c, int32_t d) {
  std::vector<int32_t> v;
  for (int32_t i = a; i <= b; ++i) v.push_back(i);
  for (int32_t i = c; i <= d; ++i) v.push_back(i);
  return v;
}

TEST(FramePass, LeavesTheFrameAloneWhenItHasNothingToDo) {
  PluginState state;
  StartStream(&state, 720, 576, 0);
  const auto original = test::MidGreyNoise(FrameBytes(PixelFormat::kYuy2, 720, 576), 1);
  auto frame = original;
  EXPECT_EQ(state.ProcessFrame(nullptr, WindowInputs(kFitToWidth, 800, 480)), 0);
  EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(kFitToWindow, 800, 480)), 0);
  for (int32_t mode : {-1, 5, 7}) EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(mode, 800, 480)), 0);
  FrameInputs noWindow = WindowInputs(kFitToWidth, 800, 480);
  noWindow.windowFound = false;
  EXPECT_EQ(state.ProcessFrame(frame.data(), noWindow), 0);
  for (int32_t mode = 1; mode <= 4; ++mode) {
    EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(mode, 0, 0)), 0);  // a minimised host
    EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(mode, 800, 0)), 0);
    EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(mode, 0, 480)), 0);
  }
  EXPECT_FALSE(PluginStateProbe::PanoramaRatio(state));  // no ratio was formed from an empty client
  for (int32_t mode : {1, 2, 3}) {
    EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(mode, 768, 576)), 0);
    EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(mode, 640, 480)), 0);
  }
  EXPECT_EQ(frame, original);
}

TEST(FramePass, BypassOneAndTwoSkipZeroAndThreeWork) {
  for (int32_t bypass : {0, 1, 2, 3}) {
    PluginState state;
    StartStream(&state, 720, 576, 0, bypass);
    auto frame = test::MidGreyNoise(FrameBytes(PixelFormat::kYuy2, 720, 576), 2);
    const auto original = frame;
    const int32_t result = state.ProcessFrame(frame.data(), WindowInputs(kFitToWidth, 800, 480));
    EXPECT_EQ(result, bypass == 1 || bypass == 2 ? 0 : 1) << bypass;
    EXPECT_EQ(frame == original, result == 0) << bypass;
  }
}

TEST(FramePass, StreamsOutsideTheLimitsAreLeftAlone) {
  struct Case {
    int32_t w, h, format;
  };
  for (const Case c : {Case{720, 576, 2}, Case{720, 576, -1}, Case{719, 576, 0}, Case{0, 576, 0},
                       Case{720, 0, 1}, Case{65536, 2, 1}, Case{2, 65536, 0}, Case{-4, 4, 1}}) {
    PluginState state;
    StartStream(&state, c.w, c.h, c.format);
    std::vector<uint8_t> frame(64, 77);
    for (int32_t mode = 1; mode <= 4; ++mode)
      EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(mode, 800, 480)), 0)
          << c.w << "x" << c.h << " " << c.format;
    EXPECT_EQ(frame, std::vector<uint8_t>(64, 77));
  }
}

TEST(FramePass, BandsOfTheDocumentedWindows) {
  for (int32_t format : {0, 1}) {
    PluginState state;
    StartStream(&state, 720, 576, format);
    auto run = [&](int32_t mode, int32_t cw, int32_t ch, int32_t fields) {
      auto frame = test::MidGreyNoise(FrameBytes(PixelFormatOf(format), 720, 576), 3);
      EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(mode, cw, ch, fields)), 1);
      return frame;
    };
    auto f = run(kFitToHeight, 1024, 576, 0);
    EXPECT_EQ(BlackColumns(f, 720, 576, format), Runs(0, 89, 630, 719)) << format;
    f = run(kFitToWidth, 1024, 576, 0);
    EXPECT_TRUE(BlackRows(f, 720, 576, format).empty());
    EXPECT_TRUE(BlackColumns(f, 720, 576, format).empty());
    f = run(kAnamorphic, 1024, 576, 0);  // V = h: the whole frame, still changed
    EXPECT_TRUE(BlackRows(f, 720, 576, format).empty());
    f = run(kAnamorphic, 768, 576, 0);
    EXPECT_EQ(BlackRows(f, 720, 576, format), Runs(0, 71, 504, 575)) << format;
    f = run(kAnamorphic, 800, 480, 0);
    EXPECT_EQ(BlackRows(f, 720, 576, format), Runs(0, 17, 557, 575)) << format;
    f = run(kAnamorphic, 800, 480, 1);  // by fields: rows 18..555 carry the picture
    EXPECT_EQ(BlackRows(f, 720, 576, format), Runs(0, 17, 556, 575)) << format;
    f = run(kAnamorphic, 600, 600, 0);
    EXPECT_EQ(BlackRows(f, 720, 576, format), Runs(0, 125, 450, 575)) << format;
    for (auto [cw, ch] : {std::pair{660, 500}, std::pair{540, 400}})
      for (int32_t mode = 1; mode <= 3; ++mode) run(mode, cw, ch, 0);  // the band is open at both ends
  }
}

// A plain copy map (every weight 0): no build for these windows at width 720
// writes it, yet the scaler may use it safely.
constexpr int32_t kPoisonedWidth = 720;
void Poison(PluginState* state) {
  ScaleMapEntry* table = PluginStateProbe::PanoramaTable(*state);
  for (int32_t c = 0; c < kPoisonedWidth; ++c) table[c] = MakeScaleMapEntry(c == 0 ? 0 : 4, 0, 0);
}
bool Poisoned(PluginState& state) {
  const ScaleMapEntry* table = PluginStateProbe::PanoramaTable(state);
  for (int32_t c = 0; c < kPoisonedWidth; ++c)
    if (table[c].weight[0] != 0 || table[c].advance != (c == 0 ? 0 : 4)) return false;
  return true;
}

TEST(FramePass, PanoramaTableIsRebuiltOnlyWhenTheWindowChangesShape) {
  PluginState state;
  StartStream(&state, 720, 576, 0);
  auto frame = test::MidGreyNoise(FrameBytes(PixelFormat::kYuy2, 720, 576), 4);
  EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(kPanorama, 1024, 576)), 1);
  EXPECT_EQ(PluginStateProbe::PanoramaRatio(state), PanoramaRatio(1024, 576));
  Poison(&state);
  EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(kPanorama, 1024, 576)), 1);
  EXPECT_TRUE(Poisoned(state));  // same size: no rebuild
  EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(kPanorama, 512, 288)), 1);
  EXPECT_TRUE(Poisoned(state));  // same shape, other size: no rebuild
  EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(kFitToWidth, 1000, 576)), 1);
  EXPECT_TRUE(Poisoned(state));  // another mode leaves the table alone
  EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(kPanorama, 1000, 576)), 1);
  EXPECT_FALSE(Poisoned(state));  // resized: rebuilt
  Poison(&state);
  // Within the 4:3 band the table is built and the ratio kept, the frame skipped.
  EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(kPanorama, 640, 480)), 0);
  EXPECT_FALSE(Poisoned(state));
  EXPECT_EQ(PluginStateProbe::PanoramaRatio(state), 1.0);
  state.Stop();
  state.Stop();  // a second Stop does nothing
  EXPECT_EQ(PluginStateProbe::PanoramaTable(state), nullptr);
  StartStream(&state, 720, 576, 0);
  EXPECT_FALSE(PluginStateProbe::PanoramaRatio(state));
  Poison(&state);
  EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(kPanorama, 640, 480)), 0);
  EXPECT_FALSE(Poisoned(state));  // Stop and Start force a rebuild
}

TEST(FramePass, StartAfterStartReplacesTheTable) {
  PluginState state;
  StartStream(&state, 720, 576, 0);
  StartStream(&state, 360, 288, 1);  // the earlier table is released (the sanitizer build checks leaks)
  ASSERT_NE(PluginStateProbe::PanoramaTable(state), nullptr);
  auto frame = test::MidGreyNoise(FrameBytes(PixelFormat::kRgb24, 360, 288), 5);
  EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(kPanorama, 1024, 576)), 1);
  StartStream(&state, 0, 576, 0);  // width 0 still starts
  state.Stop();
}

bool FailEverything(size_t) { return true; }

TEST(FramePass, WithoutATablePanoramaFramesAreLeftAlone) {
  PluginState state;
  SetAllocFailureHook(FailEverything);
  EXPECT_EQ(state.Start(StreamFormat{720, 576, 0, 0, 0}, nullptr), 1);
  SetAllocFailureHook(nullptr);
  EXPECT_EQ(PluginStateProbe::PanoramaTable(state), nullptr);
  const auto original = test::MidGreyNoise(FrameBytes(PixelFormat::kYuy2, 720, 576), 6);
  auto frame = original;
  EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(kPanorama, 1024, 576)), 0);
  EXPECT_EQ(frame, original);
  EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(kFitToHeight, 1024, 576)), 1);
}

TEST(FramePass, SteadyGeometryCostsNoAllocationAndNoMapBuilding) {
  for (int32_t mode = 1; mode <= 4; ++mode) {
    PluginState state;
    StartStream(&state, 720, 576, 0);
    auto frame = test::MidGreyNoise(FrameBytes(PixelFormat::kYuy2, 720, 576), 7);
    ASSERT_EQ(state.ProcessFrame(frame.data(), WindowInputs(mode, 1000, 500, 1)), 1);
    const FrameScaler::Stats before = state.ScalerStatistics();
    for (int i = 0; i < 3; ++i) ASSERT_EQ(state.ProcessFrame(frame.data(), WindowInputs(mode, 1000, 500, 1)), 1);
    EXPECT_EQ(state.ScalerStatistics().allocations, before.allocations) << mode;
    EXPECT_EQ(state.ScalerStatistics().mapBuilds, before.mapBuilds) << mode;
  }
}

// Frames against no-access pages on either side, for every mode, format,
// field flag and window shape, odd sizes included.
TEST(FramePass, StaysInsideTheFrame) {
  struct Size {
    int32_t w, h;
  };
  const Size sizes[] = {{720, 576}, {2, 1}, {1, 1}, {3, 5}, {17, 9}, {64, 33}, {130, 2}};
  const std::pair<int32_t, int32_t> windows[] = {{1024, 576}, {600, 600}, {640, 480}, {1, 1000}, {1000, 1},
                                                 {800, 480},  {33, 31},   {65535, 3}};
  for (const Size size : sizes)
    for (int32_t format : {0, 1}) {
      if (format == 0 && (size.w & 1)) continue;
      for (auto placement : {test::GuardedBuffer::kAgainstEnd, test::GuardedBuffer::kAgainstStart}) {
        test::GuardedBuffer buffer(FrameBytes(PixelFormatOf(format), size.w, size.h), placement);
        PluginState state, reference;
        StartStream(&state, size.w, size.h, format);
        StartStream(&reference, size.w, size.h, format);
        reference.UseFastPaths(false);  // the two passes: the reference bytes
        const auto noise = test::MidGreyNoise(buffer.size(), 8);
        for (int32_t mode = 1; mode <= 4; ++mode)
          for (int32_t fields : {0, 1})
            for (auto [cw, ch] : windows) {
              std::memcpy(buffer.data(), noise.data(), noise.size());
              const int32_t result = state.ProcessFrame(buffer.data(), WindowInputs(mode, cw, ch, fields));
              auto expected = noise;
              EXPECT_EQ(reference.ProcessFrame(expected.data(), WindowInputs(mode, cw, ch, fields)), result);
              EXPECT_EQ(std::memcmp(buffer.data(), expected.data(), expected.size()), 0)
                  << size.w << "x" << size.h << " format " << format << " mode " << mode << " fields " << fields
                  << " window " << cw << "x" << ch;
            }
      }
    }
}

}  // namespace
}  // namespace xvf

namespace xvf {
namespace {

int32_t theAllowedAllocations = 0;
bool FailAfterAllowed(size_t) { return theAllowedAllocations-- <= 0; }

// A frame whose scaler could not get its work buffer or a map is left exactly
// as it was and reported unchanged: no band is painted around a picture that
// was never scaled. The next frame, with memory back, is the normal one.
TEST(FramePass, FailedScalerAllocationLeavesTheFrameAloneAndReturnsZero) {
  const auto original = test::MidGreyNoise(FrameBytes(PixelFormat::kYuy2, 720, 576), 9);
  for (int32_t mode = 1; mode <= 4; ++mode)
    for (int32_t allowed = 0; allowed < 3; ++allowed) {
      PluginState state;
      StartStream(&state, 720, 576, 0);
      auto frame = original;
      theAllowedAllocations = allowed;  // work buffer, row map, column map
      SetAllocFailureHook(FailAfterAllowed);
      const int32_t result = state.ProcessFrame(frame.data(), WindowInputs(mode, 1000, 500, 1));
      SetAllocFailureHook(nullptr);
      if (mode == kPanorama && allowed == 2) continue;  // the panorama table stands in for the column map
      EXPECT_EQ(result, 0) << "mode " << mode << ", allocation " << allowed << " failed";
      EXPECT_EQ(frame, original) << "mode " << mode << ", allocation " << allowed << " failed";
      EXPECT_EQ(state.ProcessFrame(frame.data(), WindowInputs(mode, 1000, 500, 1)), 1);
      EXPECT_NE(frame, original);
    }
}

bool theHugeRequest = false;
bool NoteHugeRequest(size_t bytes) {
  if (bytes >= size_t{65536} * sizeof(ScaleMapEntry)) theHugeRequest = true;
  return false;
}

// A stream width no frame pass can use asks for no panorama table, so a
// hostile width cannot make Start request gigabytes.
TEST(FramePass, StartWithAnUnusableWidthAllocatesNoTable) {
  for (int32_t w : {65536, 0x73737373, INT32_MAX, -1}) {
    PluginState state;
    theHugeRequest = false;
    SetAllocFailureHook(NoteHugeRequest);
    EXPECT_EQ(state.Start(StreamFormat{w, 2, 0, 1, 0}, nullptr), 1);
    SetAllocFailureHook(nullptr);
    EXPECT_FALSE(theHugeRequest) << w;
    EXPECT_EQ(PluginStateProbe::PanoramaTable(state), nullptr) << w;
  }
  PluginState state;
  state.Start(StreamFormat{65535, 1, 0, 1, 0}, nullptr);
  EXPECT_NE(PluginStateProbe::PanoramaTable(state), nullptr);
}

#if XVF_X87_MATH

// The host may leave the x87 unit at 24-bit (renderers) or 64-bit precision,
// rounding upwards even: under the guard the plug-in's entry points hold,
// Start and the frame pass give the frames of binary64 arithmetic (the
// panorama table above all), and the caller's control word comes back.
TEST(FramePass, FramesIgnoreTheCallersX87PrecisionAndKeepItsControlWord) {
  const uint16_t original = X87ControlWord();
  const auto input = test::MidGreyNoise(FrameBytes(PixelFormat::kYuy2, 720, 576), 11);
  auto run = [&](uint16_t callers, int32_t mode, int32_t cw, int32_t ch) {
    PluginState state;
    auto frame = input;
    SetX87ControlWord(callers);
    {
      const X87DoublePrecision precision;
      StartStream(&state, 720, 576, 0);
    }
    {
      const X87DoublePrecision precision;
      state.ProcessFrame(frame.data(), WindowInputs(mode, cw, ch));
    }
    const uint16_t after = X87ControlWord();
    SetX87ControlWord(original);
    EXPECT_EQ(after, callers);
    return frame;
  };
  for (int32_t mode : {kPanorama, kFitToWidth})
    for (auto [cw, ch] : {std::pair{1024, 576}, std::pair{1000, 500}, std::pair{333, 577}, std::pair{300, 577}}) {
      const auto expected = run(0x027F, mode, cw, ch);  // 53 bits: binary64 throughout
      // Precision control 24 and 64 bits, the last also rounding upwards.
      for (const uint16_t callers : {uint16_t{0x007F}, uint16_t{0x037F}, uint16_t{0x0B7F}})
        EXPECT_TRUE(run(callers, mode, cw, ch) == expected) << mode << " " << cw << "x" << ch << " " << callers;
    }
}
#endif

}  // namespace
}  // namespace xvf
