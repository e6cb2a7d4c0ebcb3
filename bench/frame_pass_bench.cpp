// The whole frame pass (PluginState::ProcessFrame after Start) per frame in
// the modes that scale, and a memcpy of the same frame as the bandwidth
// floor. Hot cache: the frame is reused. XVF_CPU picks the kernel level.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "bench/bench_cases.h"
#include "platform/aligned_buffer.h"
#include "platform/cpu_features.h"
#include "plugin/plugin_state.h"

namespace xvf::bench {
namespace {

class Buffer {
 public:
  explicit Buffer(size_t bytes) : bytes_(bytes), data_(static_cast<uint8_t*>(AlignedAlloc(bytes, 1))) {
    FillPicture(data_, bytes_);
  }
  ~Buffer() { AlignedFree(data_); }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  uint8_t* data() { return data_; }
  size_t bytes() const { return bytes_; }

 private:
  size_t bytes_;
  uint8_t* data_;
};

void Finish(benchmark::State& state, size_t frameBytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frameBytes));
  state.SetLabel(CpuLevelName(UsableCpuLevel()));
}

void FramePass(benchmark::State& state, FrameSize size, PixelLayout layout, Mode mode) {
  Buffer frame(FrameBytes(size, layout));
  PluginState plugin;
  plugin.Start(StreamFormat{size.width, size.height, 0, layout.pixelFormat, 0}, nullptr);
  const FrameInputs inputs{mode.aspectMode, 0, true, size.windowWidth, size.windowHeight};
  if (plugin.ProcessFrame(frame.data(), inputs) != 1) {
    state.SkipWithError("the frame pass left the frame alone");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(plugin.ProcessFrame(frame.data(), inputs));
    benchmark::ClobberMemory();
  }
  Finish(state, frame.bytes());
}

void Memcpy(benchmark::State& state, FrameSize size, PixelLayout layout) {
  Buffer from(FrameBytes(size, layout));
  Buffer to(FrameBytes(size, layout));
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.bytes());
    benchmark::ClobberMemory();
  }
  Finish(state, from.bytes());
}

[[maybe_unused]] const bool registered = [] {
  for (const FrameSize& size : kSizes) {
    for (const PixelLayout& layout : kLayouts) {
      benchmark::RegisterBenchmark(CaseName("Memcpy", layout, size, nullptr).c_str(), Memcpy, size, layout)
          ->Unit(benchmark::kMicrosecond);
      for (const Mode& mode : kModes) {
        benchmark::RegisterBenchmark(CaseName("FramePass", layout, size, &mode).c_str(), FramePass, size, layout,
                                     mode)
            ->Unit(benchmark::kMicrosecond);
      }
    }
  }
  return true;
}();

}  // namespace
}  // namespace xvf::bench
