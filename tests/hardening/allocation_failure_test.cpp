// Allocation failures at every allocation of a sequence of streams and frames
// (panorama tables at Start; the scaler's work buffer and maps during frames):
// a frame that met a failure is left byte for byte as it was and reported 0,
// and once memory is back every frame equals the one a run without failures
// gives.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/engine_kernels.h"
#include "framepass/plugin_state.h"
#include "tests/support/failing_allocations.h"
#include "tests/support/frame_setup.h"
#include "tests/support/noise_frame.h"
#include "tests/support/guarded_buffer.h"

namespace xvf {
namespace {

struct Step {
  enum Kind { kStart, kStop, kFrame } kind;
  StreamFormat format;  // kStart
  int32_t mode, interlace, cw, ch;  // kFrame
};

Step Start(int32_t w, int32_t h, int32_t format) { return {Step::kStart, {w, h, 0, format, 0}, 0, 0, 0, 0}; }
Step Stop() { return {Step::kStop, {}, 0, 0, 0, 0}; }
Step Frame(int32_t mode, int32_t interlace, int32_t cw, int32_t ch) {
  return {Step::kFrame, {}, mode, interlace, cw, ch};
}

// Every mode, both field flags, resizes that grow and shrink the buffers, a
// panorama rebuild, Start after Start, and a second stream of another size.
const Step kSequence[] = {
    Start(360, 288, 0),      Frame(1, 0, 1024, 576), Frame(2, 1, 600, 600),  Frame(3, 0, 1000, 500),
    Frame(3, 0, 1000, 500),  Frame(3, 1, 800, 480),  Frame(4, 1, 1024, 576), Frame(1, 1, 300, 900),
    Frame(2, 0, 1920, 600),  Start(358, 287, 1),     Frame(3, 1, 1024, 576), Frame(4, 0, 600, 600),
    Frame(2, 1, 333, 577),   Stop(),                 Start(64, 31, 1),       Frame(1, 1, 1000, 500),
    Frame(3, 0, 640, 300),   Frame(2, 0, 90, 300),   Stop(),
};

struct Outcome {
  int32_t result = -1;
  std::vector<uint8_t> frame;
  int32_t failures = 0;  // failed allocations during this step
  int32_t memoryShort = 0;  // scaler calls that said memory was short
};

// Runs the sequence with the frames against no-access pages; one outcome per step.
std::vector<Outcome> RunSequence(int32_t failAt, bool failLater, const EngineKernels& kernels) {
  test::ArmAllocationFailures(failAt, failLater);
  std::vector<Outcome> outcomes;
  PluginState state;
  state.UseKernels(kernels);
  StreamFormat stream{};
  for (const Step& step : kSequence) {
    Outcome outcome;
    if (step.kind == Step::kStart) {
      stream = step.format;
      outcome.result = state.Start(stream, nullptr);
    } else if (step.kind == Step::kStop) {
      state.Stop();
    } else {
      const size_t bytes = FrameBytes(PixelFormatOf(stream.pixelFormat), stream.width, stream.height);
      const auto input = test::MidGreyNoise(bytes, static_cast<uint32_t>(outcomes.size()));
      test::GuardedBuffer frame(bytes, outcomes.size() % 2 ? test::GuardedBuffer::kAgainstStart
                                                           : test::GuardedBuffer::kAgainstEnd);
      std::memcpy(frame.data(), input.data(), bytes);
      const FrameInputs inputs = test::WindowInputs(step.mode, step.cw, step.ch, step.interlace);
      const int32_t memoryShort = state.ScalerStatistics().memoryShortages;
      outcome.result = state.ProcessFrame(frame.data(), inputs);
      outcome.memoryShort = state.ScalerStatistics().memoryShortages - memoryShort;
      outcome.frame.assign(frame.data(), frame.data() + bytes);
      // A refused frame is the input itself.
      if (outcome.result == 0) {
        EXPECT_EQ(outcome.frame, input) << "step " << outcomes.size();
      }
    }
    outcome.failures = test::TakeAllocationFailures();
    outcomes.push_back(std::move(outcome));
  }
  test::DisarmAllocationFailures();
  return outcomes;
}

TEST(AllocationFailures, EveryAllocationOfAFrameSequence) {
  const std::vector<Outcome> clean = RunSequence(-1, false, ActiveEngineKernels());
  const int32_t allocations = test::AllocationCount();
  ASSERT_GT(allocations, 10);
  for (size_t i = 0; i < clean.size(); ++i)
    if (kSequence[i].kind == Step::kFrame) {
      ASSERT_EQ(clean[i].result, 1) << "step " << i;
    }

  for (const CpuLevel level : {CpuLevel::C, DetectedCpuLevel()})
    for (const bool later : {false, true})
      for (int32_t failAt = 0; failAt < allocations; ++failAt) {
        const std::vector<Outcome> run = RunSequence(failAt, later, EngineKernelsFor(level));
        bool tableLost = false;  // the panorama table of the current stream could not be allocated
        for (size_t i = 0; i < run.size(); ++i) {
          const Step& step = kSequence[i];
          const std::string where = "allocation " + std::to_string(failAt) + (later ? " and later" : "") +
                                    ", step " + std::to_string(i) + ", level " + CpuLevelName(level);
          if (step.kind == Step::kStart) {
            EXPECT_EQ(run[i].result, 1) << where;
            tableLost = run[i].failures > 0;
            continue;
          }
          if (step.kind != Step::kFrame) continue;
          // The scaler says so exactly when it met the failure (a lost table
          // stops the pass before it).
          EXPECT_EQ(run[i].memoryShort, run[i].failures > 0 ? 1 : 0) << where;
          if (run[i].failures > 0 || (tableLost && step.mode == 3)) {
            EXPECT_EQ(run[i].result, 0) << where;  // and the frame is the input, checked in Run
          } else {
            EXPECT_EQ(run[i].result, 1) << where;
            EXPECT_TRUE(run[i].frame == clean[i].frame) << where;
          }
        }
      }
}

}  // namespace
}  // namespace xvf
