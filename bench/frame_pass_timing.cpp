// The frame pass timed the same way on every build, without Google
// Benchmark, which the mingw build lacks: the 32-bit DLL's core (the same
// xvf_framepass, built for i686 with the DLL's flags) under Wine against
// the native core, like for like. Per case, about a second of frames in
// batches of 16, each batch timed on the monotonic clock; the fastest batch
// counts, as ns per frame. Not CPU time: under Wine the thread's CPU time
// advances in 10 ms ticks; the fastest batch is the one no other work
// interrupted. Hot cache, the frame reused, as xvf_bench does; with
// --cold, a rotating set of frames larger than the last-level cache
// (bench/frame_set.h), as frames arrive.
// Prints one line a case: "<build>,FramePass/yuy2/720x576/fit-width,<ns>"
// (FramePassCold/... with --cold), the build "win32" or "native".
// Usage: frame_pass_timing [--cold] [part of a case name, to time only those];
// frame_pass_timing --list prints the hot case names.
#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_cases.h"
#include "bench/frame_set.h"
#include "platform/cpu_features.h"
#include "framepass/plugin_state.h"

namespace xvf::bench {
namespace {

#ifdef _WIN32
constexpr char kBuild[] = "win32";
#else
constexpr char kBuild[] = "native";
#endif

// Monotonic wall-clock time in ns: QueryPerformanceCounter counts in 100 ns
// units under Wine.
double NowNs() {
#ifdef _WIN32
  static const double nsPerTick = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1e9 / static_cast<double>(frequency.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return nsPerTick * static_cast<double>(now.QuadPart);
#else
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return 1e9 * static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec);
#endif
}

double NsPerFrame(const FrameSize& size, const PixelLayout& layout, const Mode& mode, bool cold) {
  FrameSet set(static_cast<size_t>(FrameBytes(layout.format, size.width, size.height)), cold);
  PluginState plugin;
  plugin.Start(StreamFormat{size.width, size.height, 0, HostCodeOf(layout.format), 0}, nullptr);
  const FrameInputs inputs{mode.aspectMode, 0, true, size.windowWidth, size.windowHeight};
  if (plugin.ProcessFrame(set.frame(0), inputs) != 1) return -1;
  constexpr int32_t kBatch = 16;
  size_t done = 0;
  double fastest = HUGE_VAL;
  const double end = NowNs() + 1e9;
  do {
    const double start = NowNs();
    for (int32_t i = 0; i < kBatch; ++i) plugin.ProcessFrame(set.frame(++done), inputs);
    const double batch = NowNs() - start;
    if (batch < fastest) fastest = batch;
  } while (NowNs() < end);
  return fastest / kBatch;
}

}  // namespace
}  // namespace xvf::bench

int main(int argc, char** argv) {
  using namespace xvf::bench;
  if (argc > 1 && std::strcmp(argv[1], "--list") == 0) {
    for (const FrameSize& size : kSizes)
      for (const PixelLayout& layout : kLayouts)
        for (const Mode& mode : kModes) std::printf("%s\n", CaseName("FramePass", layout, size, &mode).c_str());
    return 0;
  }
  const bool cold = argc > 1 && std::strcmp(argv[1], "--cold") == 0;
  const char* filter = argc > 1 + cold ? argv[1 + cold] : "";
  std::printf("# frame pass timing, cpu level %s, %d-bit, %s\n", xvf::CpuLevelName(xvf::UsableCpuLevel()),
              static_cast<int>(sizeof(void*) * 8), cold ? "cold" : "hot");
  // The first case runs twice, the first time unmeasured: the process and
  // the clock settle.
  bool settled = false;
  for (const FrameSize& size : kSizes)
    for (const PixelLayout& layout : kLayouts)
      for (const Mode& mode : kModes) {
        const std::string name = CaseName(cold ? "FramePassCold" : "FramePass", layout, size, &mode);
        if (name.find(filter) == std::string::npos) continue;
        if (!settled) NsPerFrame(size, layout, mode, cold);
        settled = true;
        std::printf("%s,%s,%.0f\n", kBuild, name.c_str(), NsPerFrame(size, layout, mode, cold));
        std::fflush(stdout);
      }
  return 0;
}
