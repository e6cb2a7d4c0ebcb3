// The peer: libswscale with SWS_BILINEAR doing the frame pass's resampling,
// the same source rectangle of the frame onto a separate buffer of the
// destination rectangle's size, in the same pixel format (YUYV422 / BGR24,
// RGB24 rows read bottom-up through a negative stride). Panorama maps the
// whole frame onto itself along a curve libswscale has no counterpart for;
// its peer is the nearest linear stretch that really resamples, w - 2 source
// columns onto w (equal sizes would take libswscale's plain copy). Cold
// (SwscaleCold): the frames and the output buffers rotate through sets
// larger than the last-level cache.
#include <benchmark/benchmark.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <vector>

#include "bench/bench_cases.h"
#include "bench/frame_set.h"
#include "bench/register_case.h"

namespace xvf::bench {
namespace {

Rect PeerSource(const FrameSize& size, const Mode& mode, Rect* dst) {
  if (mode.aspectMode == kPanorama) {
    *dst = Rect{0, 0, size.width, size.height};
    return Rect{1, 0, size.width - 1, size.height};
  }
  AspectGeometry g;
  ComputeAspectGeometry(mode.aspectMode, size.width, size.height, size.windowWidth, size.windowHeight, &g);
  *dst = g.dstRect;
  return g.srcRect;
}

void Swscale(benchmark::State& state, FrameSize size, PixelLayout layout, Mode mode, bool cold) {
  FrameSet frames(static_cast<size_t>(FrameBytes(layout.format, size.width, size.height)), cold);
  Rect dst;
  const Rect src = PeerSource(size, mode, &dst);
  const int srcW = src.Width(), srcH = src.Height(), dstW = dst.Width(), dstH = dst.Height();
  const AVPixelFormat format = layout.format == PixelFormat::kYuy2 ? AV_PIX_FMT_YUYV422 : AV_PIX_FMT_BGR24;
  SwsContext* context =
      sws_getContext(srcW, srcH, format, dstW, dstH, format, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!context) {
    state.SkipWithError("sws_getContext failed");
    return;
  }
  const int frameStride = size.width * BytesPerPixel(layout.format);
  // Picture row src.top: top-down in YUY2, bottom-up in RGB24.
  const int memoryRow = layout.format == PixelFormat::kYuy2 ? src.top : size.height - 1 - src.top;
  const ptrdiff_t firstByte = static_cast<ptrdiff_t>(memoryRow) * frameStride + src.left * BytesPerPixel(layout.format);
  const int srcStride[4] = {layout.format == PixelFormat::kYuy2 ? frameStride : -frameStride, 0, 0, 0};
  FrameSet outputs(static_cast<size_t>(dstW) * dstH * BytesPerPixel(layout.format) + 64, cold);
  const int dstStride[4] = {dstW * BytesPerPixel(layout.format), 0, 0, 0};
  size_t next = 0;
  for (auto _ : state) {
    const uint8_t* const srcSlice[4] = {frames.frame(next) + firstByte, nullptr, nullptr, nullptr};
    uint8_t* const dstSlice[4] = {outputs.frame(next++), nullptr, nullptr, nullptr};
    benchmark::DoNotOptimize(sws_scale(context, srcSlice, srcStride, 0, srcH, dstSlice, dstStride));
    benchmark::ClobberMemory();
  }
  sws_freeContext(context);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frames.bytes()));
}

[[maybe_unused]] const bool registered = [] {
  ForEachCase([](bool cold, const FrameSize& size, const PixelLayout& layout) {
    for (const Mode& mode : kModes) {
      RegisterCase(CaseName(cold ? "SwscaleCold" : "Swscale", layout, size, &mode), Swscale, size, layout, mode, cold);
    }
  });
  return true;
}();

}  // namespace
}  // namespace xvf::bench
