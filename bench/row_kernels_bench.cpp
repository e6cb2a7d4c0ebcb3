// One row of each row kernel at the level XVF_CPU selects, rows in cache:
// the figures that decide which instruction set keeps which kernel.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/engine_kernels.h"
#include "engine/row_kernels.h"
#include "engine/scale_map.h"
#include "platform/cpu_features.h"

namespace xvf {
namespace {

std::vector<uint8_t> Samples(size_t bytes) {
  std::vector<uint8_t> v(bytes);
  for (size_t i = 0; i < bytes; ++i) v[i] = static_cast<uint8_t>(i * 13 + (i >> 7));
  return v;
}

// Two source rows of `pixels` pixels blended into one work row; bytes are
// work bytes written.
void Vertical(benchmark::State& state, VerticalRowFn kernel, int32_t bytesPerPixel) {
  const auto pixels = static_cast<int32_t>(state.range(0));
  const int32_t rowBytes = pixels * bytesPerPixel;
  const std::vector<uint8_t> rows = Samples(2 * static_cast<size_t>(rowBytes));
  std::vector<uint8_t> work(static_cast<size_t>(pixels) * 4);
  const int32_t units = bytesPerPixel == 2 ? pixels / 2 : pixels;
  for (auto _ : state) {
    kernel(rows.data(), rowBytes, 1365, units, work.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * pixels * 4);
  state.SetLabel(CpuLevelName(UsableCpuLevel()));
}

// A work row of 3/4 the destination's width stretched over `pixels`
// destination pixels; bytes are destination bytes written.
void Horizontal(benchmark::State& state, HorizontalRowFn kernel, int32_t bytesPerPixel) {
  const auto pixels = static_cast<int32_t>(state.range(0));
  const int32_t source = pixels * 3 / 4;
  const std::vector<uint8_t> work = Samples(static_cast<size_t>(source) * 4);
  std::vector<ScaleMapEntry> map(static_cast<size_t>(pixels));
  BuildScaleMap(source, pixels, 0, pixels, 4, map.data());
  std::vector<uint8_t> dst(static_cast<size_t>(pixels) * bytesPerPixel);
  for (auto _ : state) {
    kernel(work.data(), map.data(), pixels, dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * pixels * bytesPerPixel);
  state.SetLabel(CpuLevelName(UsableCpuLevel()));
}

void VerticalRowYuy2(benchmark::State& s) { Vertical(s, ActiveEngineKernels().rows.verticalYuy2, 2); }
void VerticalRowRgb24(benchmark::State& s) { Vertical(s, ActiveEngineKernels().rows.verticalRgb24, 3); }
void HorizontalRowYuy2(benchmark::State& s) { Horizontal(s, ActiveEngineKernels().rows.horizontalYuy2, 2); }
void HorizontalRowYuy2Odd(benchmark::State& s) { Horizontal(s, ActiveEngineKernels().rows.horizontalYuy2Odd, 2); }
void HorizontalRowRgb24(benchmark::State& s) { Horizontal(s, ActiveEngineKernels().rows.horizontalRgb24, 3); }

BENCHMARK(VerticalRowYuy2)->Arg(720)->Arg(1920);
BENCHMARK(VerticalRowRgb24)->Arg(720)->Arg(1920);
BENCHMARK(HorizontalRowYuy2)->Arg(720)->Arg(1920);
BENCHMARK(HorizontalRowYuy2Odd)->Arg(720)->Arg(1920);
BENCHMARK(HorizontalRowRgb24)->Arg(720)->Arg(1920);

}  // namespace
}  // namespace xvf
