// FrameScaler::Scale and FramePainter::PaintRect on arbitrary frame sizes,
// rectangles (also leaving the frame), layouts, field flags and CPU levels,
// with the frame against a no-access page on one side and poisoned memory on
// the other; now and then the destination keeps the source's rows (columns
// resampled in place, with the scalar column kernel below SSE2). Every call
// at the chosen level gives the bytes the scalar kernels give, and a Scale
// that reports false has left the frame unchanged. Frames are small; one
// input in four has rows up to 4096 pixels (every SIMD and gather tail) or
// columns up to 1024 rows.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "engine/frame_painter.h"
#include "engine/frame_scaler.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/guarded_frame.h"
#include "tests/support/noise_frame.h"

namespace {

using xvf::fuzz::FuzzInput;

// A coordinate near the frame most of the time, anything now and then.
int32_t Coordinate(FuzzInput& in, int32_t size) {
  const uint8_t kind = in.Take<uint8_t>();
  const int32_t raw = in.Take<int32_t>();
  if (kind < 16) return raw;
  return static_cast<int32_t>(static_cast<uint32_t>(raw) % static_cast<uint32_t>(2 * size + 64)) - size / 2 - 32;
}

xvf::Rect TakeRect(FuzzInput& in, int32_t width, int32_t height) {
  return xvf::Rect{Coordinate(in, width), Coordinate(in, height), Coordinate(in, width), Coordinate(in, height)};
}

// Width and height from two 16-bit values; the top bits of `shape` choose
// small (most), long rows or tall columns. At most 196,608 bytes in RGB24.
void TakeSize(FuzzInput& in, uint8_t shape, int32_t* width, int32_t* height) {
  const uint16_t w = in.Take<uint16_t>(), h = in.Take<uint16_t>();
  switch (shape >> 5) {
    case 6:  // long rows
      *width = 1 + w % 4096;
      *height = 1 + h % 16;
      break;
    case 7:  // tall columns
      *width = 1 + w % 64;
      *height = 1 + h % 1024;
      break;
    default:
      *width = 1 + w % 160;
      *height = 1 + h % 120;
      break;
  }
}

constexpr size_t kMaxFrameBytes = 4096 * 16 * 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t flags = in.Take<uint8_t>();
  int32_t width = 0, height = 0;
  TakeSize(in, flags, &width, &height);
  const xvf::PixelFormat layout = (flags & 1) ? xvf::PixelFormat::kRgb24 : xvf::PixelFormat::kYuy2;
  const int32_t bytesPerPixel = xvf::BytesPerPixel(layout);
  const bool byFields = (flags >> 1) & 1;
  const auto level = xvf::kAllCpuLevels[(flags >> 2) % std::size(xvf::kAllCpuLevels)];
  const bool start = (flags >> 4) & 1;
  const bool sameRows = (flags >> 5) & 1;

  const size_t bytes = static_cast<size_t>(width) * height * bytesPerPixel;
  static xvf::fuzz::GuardedFrame guarded(kMaxFrameBytes);
  static const std::vector<uint8_t> noise = xvf::test::MidGreyNoise(kMaxFrameBytes, 1);
  uint8_t* const frame = guarded.Place(bytes, start);
  std::memcpy(frame, noise.data(), bytes);

  static xvf::FrameScaler scaler;
  scaler.SetHysteresis(10, 10);
  const xvf::CpuLevel usable = level <= xvf::DetectedCpuLevel() ? level : xvf::DetectedCpuLevel();
  xvf::EngineKernels kernels = xvf::EngineKernelsFor(usable);
  xvf::ColumnKernels& columns = kernels.columns;
  if (!columns.resampleRows && !columns.resampleBands) columns.resampleRows = xvf::ResampleColumns_C;
  scaler.UseKernels(kernels);
  // The reference: scalar kernels through the two passes, on a plain copy of the frame.
  static xvf::FrameScaler referenceScaler;
  referenceScaler.SetHysteresis(10, 10);
  referenceScaler.UseKernels(xvf::EngineKernelsFor(xvf::CpuLevel::C));
  referenceScaler.UseFastPaths(false);
  static std::vector<uint8_t> reference;
  reference.assign(frame, frame + bytes);
  while (in.Left() >= 2 * 5 * 4) {
    const xvf::Rect src = TakeRect(in, width, height);
    xvf::Rect dst = TakeRect(in, width, height);
    if (sameRows) {
      dst.top = src.top;
      dst.bottom = src.bottom;
    }
    using Result = xvf::FrameScaler::Result;
    xvf::ScaleRequest request = xvf::PackedScaleRequest(frame, width, height, layout, src, dst);
    request.byFields = byFields;
    const Result scaled = scaler.Scale(request);
    if (scaled != Result::kScaled && std::memcmp(frame, reference.data(), bytes) != 0) std::abort();
    xvf::ScaleRequest referenceRequest = xvf::PackedScaleRequest(reference.data(), width, height, layout, src, dst);
    referenceRequest.byFields = byFields;
    const Result referenceScaled = referenceScaler.Scale(referenceRequest);
    if (scaled != referenceScaled || std::memcmp(frame, reference.data(), bytes) != 0) std::abort();

    static xvf::FramePainter painter;
    painter.Setup(width, height, layout);
    const xvf::Rect band = TakeRect(in, width, height);
    const uint32_t colour = in.Take<uint32_t>();
    const int32_t opacity = static_cast<int8_t>(in.Take<uint8_t>());
    painter.PaintRect(frame, band.left, band.top, band.right, band.bottom, colour, opacity);
    painter.PaintRect(reference.data(), band.left, band.top, band.right, band.bottom, colour, opacity);
    if (std::memcmp(frame, reference.data(), bytes) != 0) std::abort();
  }
  return 0;
}
