// The frame engine per frame: scaling, the black bands around the picture,
// and a memcpy of the same frame as the floor. The kernels are those of
// ActiveEngineKernels(), so XVF_CPU picks the level; every case reports whole
// frames as bytes processed, so its bytes/s compares with the memcpy floor.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "engine/frame_painter.h"
#include "engine/frame_scaler.h"
#include "engine/row_kernels.h"
#include "platform/aligned_buffer.h"
#include "platform/cpu_features.h"

namespace xvf {
namespace {

// A 16-byte aligned frame holding a varied picture.
class Frame {
 public:
  Frame(int32_t width, int32_t height, PixelFormat format)
      : bytes_(static_cast<size_t>(FrameBytes(format, width, height))),
        data_(static_cast<uint8_t*>(AlignedAlloc(bytes_, 1))) {
    for (size_t i = 0; i < bytes_; ++i) data_[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
  }
  ~Frame() { AlignedFree(data_); }
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  uint8_t* data() { return data_; }
  size_t bytes() const { return bytes_; }

 private:
  size_t bytes_;
  uint8_t* data_;
};

void Describe(benchmark::State& state, size_t frameBytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frameBytes));
  state.SetLabel(CpuLevelName(UsableCpuLevel()));
}

// Rows 72..503 of a 576-row frame onto the whole frame (the 4:3 picture
// inside a letterboxed frame), in the same proportions at other sizes.
Rect RowsSource(int32_t width, int32_t height) { return Rect{0, height * 72 / 576, width, height * 504 / 576}; }

// Columns 90..629 of a 720-column frame onto the whole frame.
Rect ColumnsSource(int32_t width, int32_t height) { return Rect{width * 90 / 720, 0, width * 630 / 720, height}; }

void Scale(benchmark::State& state, PixelFormat format, Rect (*source)(int32_t, int32_t)) {
  const auto width = static_cast<int32_t>(state.range(0));
  const auto height = static_cast<int32_t>(state.range(1));
  Frame frame(width, height, format);
  FrameScaler scaler;
  scaler.SetHysteresis(10, 10);
  scaler.UseKernels(ActiveEngineKernels());
  const ScaleRequest request =
      PackedScaleRequest(frame.data(), width, height, format, source(width, height), Rect{0, 0, width, height});
  for (auto _ : state) {
    scaler.Scale(request);
    benchmark::ClobberMemory();
  }
  Describe(state, frame.bytes());
}

void ScaleRowsYuy2(benchmark::State& state) { Scale(state, PixelFormat::kYuy2, RowsSource); }
void ScaleRowsRgb24(benchmark::State& state) { Scale(state, PixelFormat::kRgb24, RowsSource); }
void ScaleColumnsYuy2(benchmark::State& state) { Scale(state, PixelFormat::kYuy2, ColumnsSource); }
void ScaleColumnsRgb24(benchmark::State& state) { Scale(state, PixelFormat::kRgb24, ColumnsSource); }

// The four bands around a centred picture of 3/4 the frame's width and the
// full height (the fit-height case: columns 0..89 and 630..719 of 720), black
// and opaque; the top and bottom bands are empty.
void PaintBands(benchmark::State& state, PixelFormat format) {
  const auto width = static_cast<int32_t>(state.range(0));
  const auto height = static_cast<int32_t>(state.range(1));
  Frame frame(width, height, format);
  FramePainter painter;
  painter.Setup(width, height, format);
  const Rect picture{width / 8, 0, width - width / 8, height};
  for (auto _ : state) {
    painter.PaintRect(frame.data(), 0, 0, width, picture.top, 0, 100);
    painter.PaintRect(frame.data(), 0, picture.bottom, width, height, 0, 100);
    painter.PaintRect(frame.data(), 0, picture.top, picture.left, picture.bottom, 0, 100);
    painter.PaintRect(frame.data(), picture.right, picture.top, width, picture.bottom, 0, 100);
    benchmark::ClobberMemory();
  }
  Describe(state, frame.bytes());
}

void PaintBandsYuy2(benchmark::State& state) { PaintBands(state, PixelFormat::kYuy2); }
void PaintBandsRgb24(benchmark::State& state) { PaintBands(state, PixelFormat::kRgb24); }

void Memcpy(benchmark::State& state, PixelFormat format) {
  const auto width = static_cast<int32_t>(state.range(0));
  const auto height = static_cast<int32_t>(state.range(1));
  Frame from(width, height, format);
  Frame to(width, height, format);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.bytes());
    benchmark::ClobberMemory();
  }
  Describe(state, from.bytes());
}

void MemcpyYuy2(benchmark::State& state) { Memcpy(state, PixelFormat::kYuy2); }
void MemcpyRgb24(benchmark::State& state) { Memcpy(state, PixelFormat::kRgb24); }

void FrameSizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h"})->Args({720, 576})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
}

BENCHMARK(ScaleRowsYuy2)->Apply(FrameSizes);
BENCHMARK(ScaleRowsRgb24)->Apply(FrameSizes);
BENCHMARK(ScaleColumnsYuy2)->Apply(FrameSizes);
BENCHMARK(ScaleColumnsRgb24)->Apply(FrameSizes);
BENCHMARK(PaintBandsYuy2)->Apply(FrameSizes);
BENCHMARK(PaintBandsRgb24)->Apply(FrameSizes);
BENCHMARK(MemcpyYuy2)->Apply(FrameSizes);
BENCHMARK(MemcpyRgb24)->Apply(FrameSizes);

}  // namespace
}  // namespace xvf

int main(int argc, char** argv) {
  benchmark::AddCustomContext("xvf_cpu_level", xvf::CpuLevelName(xvf::UsableCpuLevel()));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
