// The whole frame pass (PluginState::ProcessFrame after Start) per frame in
// the modes that scale, and a memcpy of the same frame as the bandwidth
// floor, hot (the frame reused) and cold (a rotating set of frames larger
// than the last-level cache: FramePassCold, MemcpyCold). XVF_CPU picks the
// kernel level.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "bench/bench_cases.h"
#include "bench/frame_set.h"
#include "bench/register_case.h"
#include "platform/cpu_features.h"
#include "framepass/plugin_state.h"

namespace xvf::bench {
namespace {

void Finish(benchmark::State& state, size_t frameBytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frameBytes));
  state.SetLabel(CpuLevelName(UsableCpuLevel()));
}

void FramePass(benchmark::State& state, FrameSize size, PixelLayout layout, Mode mode, bool cold) {
  FrameSet frames(static_cast<size_t>(FrameBytes(layout.format, size.width, size.height)), cold);
  PluginState plugin;
  plugin.Start(StreamFormat{size.width, size.height, 0, HostCodeOf(layout.format), 0}, nullptr);
  const FrameInputs inputs{mode.aspectMode, 0, true, size.windowWidth, size.windowHeight};
  if (plugin.ProcessFrame(frames.frame(0), inputs) != 1) {
    state.SkipWithError("the frame pass left the frame alone");
    return;
  }
  size_t next = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(plugin.ProcessFrame(frames.frame(next++), inputs));
    benchmark::ClobberMemory();
  }
  Finish(state, frames.bytes());
}

// Cold: each frame copied onto the next one of the set.
void Memcpy(benchmark::State& state, FrameSize size, PixelLayout layout, bool cold) {
  FrameSet frames(static_cast<size_t>(FrameBytes(layout.format, size.width, size.height)), cold);
  FrameSet target(frames.bytes(), false);
  size_t next = 0;
  for (auto _ : state) {
    uint8_t* to = cold ? frames.frame(next + 1) : target.frame(0);
    std::memcpy(to, frames.frame(next++), frames.bytes());
    benchmark::ClobberMemory();
  }
  Finish(state, frames.bytes());
}

[[maybe_unused]] const bool registered = [] {
  ForEachCase([](bool cold, const FrameSize& size, const PixelLayout& layout) {
    RegisterCase(CaseName(cold ? "MemcpyCold" : "Memcpy", layout, size, nullptr), Memcpy, size, layout, cold);
    for (const Mode& mode : kModes) {
      RegisterCase(CaseName(cold ? "FramePassCold" : "FramePass", layout, size, &mode), FramePass, size, layout, mode,
                   cold);
    }
  });
  return true;
}();

}  // namespace
}  // namespace xvf::bench
