// The automatic mode (PictureMeasurer through AutoModeDetector, and its report
// line) on sequences of made-up frames: any size up to 320x240, YUY2 or
// RGB24, rows padded or laid out bottom-up by a negative stride, bands of any
// level and noise, declared pixel aspects and rates of any value, any fallback.
// The frame lies against a no-access page on one side and poisoned memory on
// the other: no sample is read outside its rows.
//
// Checked for every frame:
//   - the mode is fit-width, anamorphic or the fallback, and changes exactly
//     where the decision says so; the first frame is marked first, no other;
//   - the frame is left byte for byte as it was.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "framepass/auto_mode_detector.h"
#include "framepass/auto_mode_report.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/guarded_frame.h"

namespace {

constexpr int32_t kMaxWidth = 320, kMaxHeight = 240, kMaxPadding = 64, kMaxFrames = 12;
constexpr size_t kCapacity = size_t{kMaxWidth * 3 + kMaxPadding} * kMaxHeight;

[[noreturn]] void Fail(const char* condition, int line) {
  std::fprintf(stderr, "auto_mode_fuzz.cpp:%d: %s\n", line, condition);
  std::abort();
}
#define Check(condition) ((condition) ? void(0) : Fail(#condition, __LINE__))

using xvf::fuzz::FuzzInput;

constexpr int64_t kOddValues[] = {0, -1, 1, 2, 64, 45, 16, 15, 30000, 1001, INT64_MAX, INT64_MIN, 1LL << 40};

int64_t Value(FuzzInput& in) {
  const uint8_t pick = in.Take<uint8_t>();
  if (pick < std::size(kOddValues)) return kOddValues[pick];
  return in.Take<int16_t>();
}

// Bands of `band` rows at `level` above and below a picture at `picture`
// that steps every 16 rows, every fifth byte of every row moved by noise of
// `noise` levels (a memset a row, then the noise: ASan checks each store).
void Paint(uint8_t* first, ptrdiff_t stride, int32_t width, int32_t height, int32_t pixelBytes, FuzzInput& in) {
  const int32_t band = in.Take<uint8_t>() % (height / 2 + 1);
  const int32_t level = in.Take<uint8_t>(), picture = in.Take<uint8_t>(), noise = in.Take<uint8_t>() % 64 + 1;
  uint32_t seed = in.Take<uint32_t>() | 1;
  const size_t rowBytes = static_cast<size_t>(width) * pixelBytes;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = first + y * stride;
    const bool inBand = y < band || y >= height - band;
    std::memset(row, inBand ? level : (picture + y / 16 * 37) & 255, rowBytes);
    for (size_t x = y % 5; x < rowBytes; x += 5) {
      seed = seed * 1664525u + 1013904223u;
      row[x] = static_cast<uint8_t>(row[x] + int32_t(seed >> 8) % noise);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static xvf::fuzz::GuardedFrame guarded(kCapacity);
  FuzzInput in(data, size);
  const int32_t width = 1 + in.Take<uint16_t>() % kMaxWidth;
  const int32_t height = 1 + in.Take<uint16_t>() % kMaxHeight;
  const int32_t pixelFormat = in.Take<uint8_t>() & 1;
  const int32_t pixelBytes = pixelFormat == 0 ? 2 : 3;
  const int32_t padding = in.Take<uint8_t>() % (kMaxPadding + 1);
  const bool bottomUp = in.Take<uint8_t>() & 1;
  const int32_t fallback = in.Take<uint8_t>() % 5;
  const bool keepSubtitles = in.Take<uint8_t>() & 1;
  const xvf::DeclaredStream stream{Value(in), Value(in), Value(in), Value(in)};

  const ptrdiff_t rowBytes = ptrdiff_t{width} * pixelBytes + padding;
  // The last row in memory ends at the last pixel: padding after it is not the frame's.
  const size_t bytes = static_cast<size_t>(rowBytes) * (height - 1) + size_t{static_cast<uint32_t>(width)} * pixelBytes;
  uint8_t* buffer = guarded.Place(bytes, in.Take<uint8_t>() & 1);
  uint8_t* first = bottomUp ? buffer + rowBytes * (height - 1) : buffer;
  const ptrdiff_t stride = bottomUp ? -rowBytes : rowBytes;

  xvf::AutoModeDetector detector(fallback, keepSubtitles);
  detector.SetStream(stream);
  int32_t before = fallback;
  std::vector<uint8_t> copy(bytes);
  const int32_t frames = 1 + in.Take<uint8_t>() % kMaxFrames;
  for (int32_t k = 0; k < frames; ++k) {
    if (k == 0 || in.Take<uint8_t>() < 64) Paint(first, stride, width, height, pixelBytes, in);
    std::copy(buffer, buffer + bytes, copy.begin());
    const xvf::AutoModeDecision d = detector.Feed(
        xvf::FrameRows{first, static_cast<int32_t>(stride), width, height, xvf::PixelFormatOf(pixelFormat)});
    Check(d.mode == fallback || d.mode == xvf::kFitToWidth || d.mode == xvf::kAnamorphic);
    Check(d.first == (k == 0));
    Check(d.changed == (k > 0 && d.mode != before));
    Check(d.sinceFrames >= 0 && d.sinceFrames <= k);
    Check(std::equal(copy.begin(), copy.end(), buffer));
    Check(!xvf::AutoModeReport(k, d, stream, "mode").empty());
    before = d.mode;
  }
  return 0;
}
