// The peer: libswscale with SWS_BILINEAR doing the frame pass's resampling,
// the same source rectangle of the frame onto a separate buffer of the
// destination rectangle's size, in the same pixel format (YUYV422 / BGR24,
// RGB24 rows read bottom-up through a negative stride). Panorama maps the
// whole frame onto itself along a curve libswscale has no counterpart for;
// its peer is the nearest linear stretch that really resamples, w - 2 source
// columns onto w (equal sizes would take libswscale's plain copy).
#include <benchmark/benchmark.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <vector>

#include "bench/bench_cases.h"

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

void Swscale(benchmark::State& state, FrameSize size, PixelLayout layout, Mode mode) {
  std::vector<uint8_t> frame(FrameBytes(size, layout));
  FillPicture(frame.data(), frame.size());
  Rect dst;
  const Rect src = PeerSource(size, mode, &dst);
  const int srcW = src.Width(), srcH = src.Height(), dstW = dst.Width(), dstH = dst.Height();
  const AVPixelFormat format = layout.pixelFormat == 0 ? AV_PIX_FMT_YUYV422 : AV_PIX_FMT_BGR24;
  SwsContext* context =
      sws_getContext(srcW, srcH, format, dstW, dstH, format, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!context) {
    state.SkipWithError("sws_getContext failed");
    return;
  }
  const int frameStride = size.width * layout.bytesPerPixel;
  // Picture row src.top: top-down in YUY2, bottom-up in RGB24.
  const int memoryRow = layout.pixelFormat == 0 ? src.top : size.height - 1 - src.top;
  const uint8_t* const srcSlice[4] = {frame.data() + static_cast<ptrdiff_t>(memoryRow) * frameStride +
                                          src.left * layout.bytesPerPixel,
                                      nullptr, nullptr, nullptr};
  const int srcStride[4] = {layout.pixelFormat == 0 ? frameStride : -frameStride, 0, 0, 0};
  std::vector<uint8_t> out(static_cast<size_t>(dstW) * dstH * layout.bytesPerPixel + 64);
  uint8_t* const dstSlice[4] = {out.data(), nullptr, nullptr, nullptr};
  const int dstStride[4] = {dstW * layout.bytesPerPixel, 0, 0, 0};
  for (auto _ : state) {
    benchmark::DoNotOptimize(sws_scale(context, srcSlice, srcStride, 0, srcH, dstSlice, dstStride));
    benchmark::ClobberMemory();
  }
  sws_freeContext(context);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.size()));
}

[[maybe_unused]] const bool registered = [] {
  for (const FrameSize& size : kSizes) {
    for (const PixelLayout& layout : kLayouts) {
      for (const Mode& mode : kModes) {
        benchmark::RegisterBenchmark(CaseName("Swscale", layout, size, &mode).c_str(), Swscale, size, layout, mode)
            ->Unit(benchmark::kMicrosecond);
      }
    }
  }
  return true;
}();

}  // namespace
}  // namespace xvf::bench
