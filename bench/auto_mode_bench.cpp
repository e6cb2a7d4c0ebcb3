// The automatic mode's detector (AutoModeDetector::Feed) on a 16:9 letterbox
// in a 4:3 frame, its costliest common picture: both bands read to their
// edges. AutoDetect is the detector alone on a frame in the caches, beside
// FramePass. AutoDetectAndPassCold is the detector and then the pass on frames
// from memory, beside FramePassCold: the detector alone on a cold set is no
// measure, the few lines it reads stay in the cache. The pass runs in
// panorama there whatever the detector says: it keeps the bands black, so
// every frame stays a letterbox.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "bench/bench_cases.h"
#include "bench/frame_set.h"
#include "framepass/auto_mode_detector.h"
#include "framepass/plugin_state.h"

namespace xvf::bench {
namespace {

// Black bands of an eighth of the height above and below the picture.
void Letterbox(uint8_t* frame, const FrameSize& size, const PixelLayout& layout) {
  const size_t rowBytes = static_cast<size_t>(size.width) * BytesPerPixel(layout.format);
  for (int32_t y = 0; y < size.height; ++y) {
    if (y >= size.height / 8 && y < size.height - size.height / 8) continue;
    uint8_t* row = frame + y * rowBytes;
    if (layout.format == PixelFormat::kRgb24) {
      std::memset(row, 0, rowBytes);
    } else {
      for (size_t i = 0; i < rowBytes; i += 2) row[i] = 16, row[i + 1] = 128;
    }
  }
}

void AutoDetect(benchmark::State& state, FrameSize size, PixelLayout layout, bool cold) {
  FrameSet frames(static_cast<size_t>(FrameBytes(layout.format, size.width, size.height)), cold);
  for (size_t i = 0; i < frames.count(); ++i) Letterbox(frames.frame(i), size, layout);
  AutoModeDetector detector;
  PluginState plugin;
  plugin.Start(StreamFormat{size.width, size.height, 0, HostCodeOf(layout.format), 0}, nullptr);
  const FrameInputs inputs{kPanorama, 0, true, size.windowWidth, size.windowHeight};
  size_t next = 0;
  auto feed = [&] {
    uint8_t* frame = frames.frame(next++);
    benchmark::DoNotOptimize(detector.Feed(PackedRows(frame, layout.format, size.width, size.height)));
    if (cold) benchmark::DoNotOptimize(plugin.ProcessFrame(frame, inputs));
  };
  for (int frame = 0; frame < 30; ++frame) feed();  // a second and the frame that sets the band edge
  if (detector.mode() != kFitToWidth) {
    state.SkipWithError("the letterbox was not found");
    return;
  }
  for (auto _ : state) {
    feed();
    benchmark::ClobberMemory();
  }
}

[[maybe_unused]] const bool registered = [] {
  for (bool cold : {false, true})
    for (const FrameSize& size : kSizes)
      for (const PixelLayout& layout : kLayouts)
        benchmark::RegisterBenchmark(
            CaseName(cold ? "AutoDetectAndPassCold" : "AutoDetect", layout, size, cold ? &kModes[2] : nullptr).c_str(),
            AutoDetect, size, layout, cold)
            ->Unit(benchmark::kMicrosecond);
  return true;
}();

}  // namespace
}  // namespace xvf::bench
