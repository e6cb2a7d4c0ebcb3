// The frame pass timed the same way on every build, without Google
// Benchmark, which the mingw build lacks: the 32-bit DLL's core (the same
// xvf_plugin_core, built for i686 with the DLL's flags) under Wine against
// the native core, like for like. Per case, the thread's CPU time over about
// a second of frames (the fastest of three rounds), as ns per frame (CPU
// time, as xvf_bench reports, so that a machine shared with other work still
// compares). Hot cache, the frame reused, as xvf_bench does; with --cold, a
// rotating set of frames larger than the last-level cache
// (bench/frame_set.h), as frames arrive.
// Prints one line a case: "<build>,FramePass/yuy2/720x576/fit-width,<ns>"
// (FramePassCold/... with --cold), the build "win32" or "native".
// Usage: frame_pass_timing [--cold] [part of a case name, to time only those].
#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_cases.h"
#include "bench/frame_set.h"
#include "platform/cpu_features.h"
#include "plugin/plugin_state.h"

namespace xvf::bench {
namespace {

#ifdef _WIN32
constexpr char kBuild[] = "win32";
#else
constexpr char kBuild[] = "native";
#endif

// CPU time of the calling thread in ns (Windows counts it in 100 ns units).
double ThreadCpuNs() {
#ifdef _WIN32
  FILETIME creation, exit, kernel, user;
  GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user);
  auto ns = [](const FILETIME& t) { return 100.0 * (static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime); };
  return ns(kernel) + ns(user);
#else
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return 1e9 * static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec);
#endif
}

double NsPerFrame(const FrameSize& size, const PixelLayout& layout, const Mode& mode, bool cold) {
  FrameSet set(FrameBytes(size, layout), cold);
  PluginState plugin;
  plugin.Start(StreamFormat{size.width, size.height, 0, layout.pixelFormat, 0}, nullptr);
  const FrameInputs inputs{mode.aspectMode, 0, true, size.windowWidth, size.windowHeight};
  if (plugin.ProcessFrame(set.frame(0), inputs) != 1) return -1;
  // Three rounds of batches of frames, each until a third of a second of CPU
  // time has passed (the clock may tick only every few milliseconds, a
  // round is exact to a percent); the fastest round counts, as other work
  // on a shared machine only ever slows one down.
  size_t done = 0;
  double fastest = 0;
  for (int round = 0; round < 3; ++round) {
    const double start = ThreadCpuNs();
    int64_t frames = 0;
    double elapsed = 0;
    while (elapsed < 1e9 / 3) {
      for (int32_t i = 0; i < 64; ++i) plugin.ProcessFrame(set.frame(++done), inputs);
      frames += 64;
      elapsed = ThreadCpuNs() - start;
    }
    const double perFrame = elapsed / static_cast<double>(frames);
    if (round == 0 || perFrame < fastest) fastest = perFrame;
  }
  return fastest;
}

}  // namespace
}  // namespace xvf::bench

int main(int argc, char** argv) {
  using namespace xvf::bench;
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
