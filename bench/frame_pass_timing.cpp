// The frame pass as the 32-bit DLL runs it (the same xvf_plugin_core, built
// for i686 with the DLL's flags), timed without Google Benchmark, which the
// mingw build lacks: per case, frames in batches of about 2 ms, the median
// batch as ns per frame. Hot cache, the frame reused, as xvf_bench does.
// Prints one line a case: "win32,FramePass/yuy2/720x576/fit-width,<ns>".
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "bench/bench_cases.h"
#include "platform/cpu_features.h"
#include "plugin/plugin_state.h"

namespace xvf::bench {
namespace {

using Clock = std::chrono::steady_clock;

double NsPerFrame(const FrameSize& size, const PixelLayout& layout, const Mode& mode) {
  std::vector<uint8_t> frame(FrameBytes(size, layout) + 16);
  uint8_t* data = frame.data() + (16 - reinterpret_cast<uintptr_t>(frame.data()) % 16) % 16;
  FillPicture(data, FrameBytes(size, layout));
  PluginState plugin;
  plugin.Start(StreamFormat{size.width, size.height, 0, layout.pixelFormat, 0}, nullptr);
  const FrameInputs inputs{mode.aspectMode, 0, true, size.windowWidth, size.windowHeight};
  if (plugin.ProcessFrame(data, inputs) != 1) return -1;
  // Batch size: about 2 ms of frames.
  int32_t batch = 1;
  for (;;) {
    const auto start = Clock::now();
    for (int32_t i = 0; i < batch; ++i) plugin.ProcessFrame(data, inputs);
    if (Clock::now() - start > std::chrono::milliseconds(2) || batch >= (1 << 20)) break;
    batch *= 2;
  }
  std::vector<double> samples;
  for (int repeat = 0; repeat < 31; ++repeat) {
    const auto start = Clock::now();
    for (int32_t i = 0; i < batch; ++i) plugin.ProcessFrame(data, inputs);
    const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
    samples.push_back(elapsed.count() / batch);
  }
  std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
  return samples[samples.size() / 2];
}

}  // namespace
}  // namespace xvf::bench

int main() {
  using namespace xvf::bench;
  std::printf("# frame pass timing, cpu level %s, %d-bit\n", xvf::CpuLevelName(xvf::UsableCpuLevel()),
              static_cast<int>(sizeof(void*) * 8));
  // A first case unmeasured: the process and the clock settle.
  NsPerFrame(kSizes[0], kLayouts[0], kModes[0]);
  for (const FrameSize& size : kSizes)
    for (const PixelLayout& layout : kLayouts)
      for (const Mode& mode : kModes) {
        std::printf("win32,%s,%.0f\n", CaseName("FramePass", layout, size, &mode).c_str(),
                    NsPerFrame(size, layout, mode));
        std::fflush(stdout);
      }
  return 0;
}
