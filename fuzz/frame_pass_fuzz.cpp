// The frame pass (PluginState Start, ProcessFrame, Stop) on arbitrary streams,
// settings, window sizes, CPU levels, allocation failures and sequences of
// frames, with the frame against a no-access page on one side and poisoned
// memory on the other. Most frames are small; a few input bytes now and then
// choose rows up to 4096 pixels (every SIMD and gather tail), tall columns
// or hostile sizes.
//
// Checked for every frame:
//   - the result is 0 or 1, and 0 leaves the frame byte for byte as it was;
//   - the cases the pass must refuse (no window, empty client, mode outside
//     1..4, bypass 1 or 2, a stream the pass cannot work on, a failed
//     allocation during the frame) give 0;
//   - a long-lived state (buffers, maps and panorama table kept from earlier
//     frames, any CPU level, its fast paths) gives the same result and bytes
//     as a fresh one running the two passes;
//     checked at the first frames after the stream, the settings, the
//     window, the kernels or an allocation failure changed what the state
//     holds (at most kFreshChecks an input: a fresh state costs as much as
//     the frame, and a fault found late in a sequence also shows in a
//     shorter one).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "engine/frame_format.h"
#include "engine/row_kernels.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/guarded_frame.h"
#include "framepass/plugin_state.h"
#include "tests/support/failing_allocations.h"
#include "tests/support/frame_setup.h"
#include "tests/support/noise_frame.h"

namespace {

using xvf::FrameInputs;
using xvf::PluginState;
using xvf::StreamFormat;
// Streams the pass may work on are kept to this many pixels, so each input
// runs fast (the fuzzer's counters draw it to the largest frames allowed):
// rows of 4096 pixels fit four times.
constexpr int64_t kMaxFramePixels = 16384;
constexpr size_t kMaxFrameBytes = 3 * kMaxFramePixels;
// Steps (frames, Starts, Stops, level changes) of one input: whole
// sequences on small streams, a few on streams with a side over kSmallSide.
constexpr int32_t kSmallStreamSteps = 24;
constexpr int32_t kLargeStreamSteps = 6;
constexpr int32_t kSmallSide = 256;
// A stream the pass must refuse gets a buffer of at most this size: any touch
// past it reaches the guard page.
constexpr size_t kRefusedFrameBytes = 4096;

// A broken invariant names itself before the abort that libFuzzer records.
[[noreturn]] void Fail(const char* condition, int line) {
  std::fprintf(stderr, "frame_pass_fuzz.cpp:%d: %s\n", line, condition);
  std::abort();
}
#define Check(condition) ((condition) ? void(0) : Fail(#condition, __LINE__))

using xvf::fuzz::FuzzInput;

// Values at the edges of what a host, a window or a file can give.
constexpr int32_t kHostile[] = {0,         -1,        1,      2,      3,     -2,    65535, 65536, 65537,
                                INT32_MAX, INT32_MIN, 32768,  -65536, 46341, 46340, 1 << 30, -(1 << 30),
                                INT32_MAX - 1, INT32_MIN + 1, 1000000, 2147483, 715827882};

int32_t Hostile(FuzzInput& in) {
  const uint8_t pick = in.Take<uint8_t>();
  if (pick < sizeof(kHostile) / sizeof(kHostile[0])) return kHostile[pick];
  return in.Take<int32_t>();
}

// A frame side of any size, or a hostile one.
int32_t Length(FuzzInput& in) {
  if (in.Take<uint8_t>() < 128) return 1 + static_cast<int32_t>(in.Take<uint16_t>());  // 1..65536
  return Hostile(in);
}

// The frame's width and height: small (at most 9 KB) most of the time; one
// shape byte in 16 asks for long rows, tall columns or hostile sizes.
void TakeSize(FuzzInput& in, StreamFormat* f) {
  const uint8_t shape = in.Take<uint8_t>();
  if (shape >= 248) {
    f->width = Length(in);
    f->height = Length(in);
    return;
  }
  const uint16_t w = in.Take<uint16_t>(), h = in.Take<uint16_t>();
  int32_t widths = 64, heights = 48;
  if (shape >= 244) {  // tall
    widths = 16;
    heights = 1024;
  } else if (shape >= 240) {  // long rows: every SIMD and gather tail
    widths = 4096;
    heights = 4;
  }
  f->width = 1 + w % widths;
  f->height = 1 + h % heights;
}

// A window side: the usual sizes, tiny ones, and hostile ones.
int32_t ClientLength(FuzzInput& in) {
  const uint8_t kind = in.Take<uint8_t>();
  if (kind < 160) return 1 + static_cast<int32_t>(in.Take<uint16_t>() % 2048);
  if (kind < 200) return static_cast<int32_t>(in.Take<uint8_t>() % 8);
  return Hostile(in);
}

// The pass's own limits, written out again independently.
bool Usable(const StreamFormat& s) {
  if (s.pixelFormat != 0 && s.pixelFormat != 1) return false;
  if (s.width < 1 || s.width > 65535 || s.height < 1 || s.height > 65535) return false;
  if (s.pixelFormat == 0 && (s.width & 1)) return false;
  return true;
}

int64_t StreamBytes(const StreamFormat& s) {
  return xvf::FrameBytes(xvf::PixelFormatOf(s.pixelFormat), s.width, s.height);
}

xvf::CpuLevel Level(uint8_t bits) {
  const auto level = xvf::kAllCpuLevels[bits % std::size(xvf::kAllCpuLevels)];
  return level <= xvf::DetectedCpuLevel() ? level : xvf::DetectedCpuLevel();
}

struct Stream {
  StreamFormat format{};
  bool usable = false;
  size_t bytes = 0;        // of the frame buffer
  uint8_t noiseStart = 0;  // the frame starts as the noise from this byte on
};

bool TakeStream(FuzzInput& in, Stream* stream) {
  StreamFormat& f = stream->format;
  TakeSize(in, &f);
  f.reserved = in.Take<int32_t>();
  const uint8_t format = in.Take<uint8_t>();
  f.pixelFormat = format < 120 ? 0 : format < 240 ? 1 : Hostile(in);
  const uint8_t bypass = in.Take<uint8_t>();
  f.bypass = bypass < 160 ? 0 : bypass < 220 ? bypass % 4 : Hostile(in);
  stream->usable = Usable(f);
  if (stream->usable && static_cast<int64_t>(f.width) * f.height > kMaxFramePixels) return false;
  stream->bytes = stream->usable ? static_cast<size_t>(StreamBytes(f)) : kRefusedFrameBytes;
  stream->noiseStart = in.Take<uint8_t>();
  return true;
}

FrameInputs TakeInputs(FuzzInput& in) {
  FrameInputs inputs;
  const uint8_t mode = in.Take<uint8_t>();
  inputs.aspectMode = mode < 240 ? mode % 5 : Hostile(in);
  const uint8_t fields = in.Take<uint8_t>();
  inputs.interlace = fields < 250 ? fields & 1 : Hostile(in);
  inputs.windowFound = in.Take<uint8_t>() < 245;
  inputs.clientWidth = ClientLength(in);
  inputs.clientHeight = ClientLength(in);
  return inputs;
}

bool operator==(const FrameInputs& a, const FrameInputs& b) {
  return a.aspectMode == b.aspectMode && a.interlace == b.interlace && a.windowFound == b.windowFound &&
         a.clientWidth == b.clientWidth && a.clientHeight == b.clientHeight;
}

// The inputs of the last frame checked against a fresh state, cleared by
// everything that changes what the long-lived state holds.
bool theStateChecked = false;
FrameInputs theCheckedInputs;
constexpr int32_t kFreshChecks = 4;
int32_t theFreshChecksLeft = 0;

// One frame through a state that has just started this stream.
int32_t FreshPass(const StreamFormat& format, const FrameInputs& inputs, std::vector<uint8_t>* frame) {
  theStateChecked = true;
  theCheckedInputs = inputs;
  --theFreshChecksLeft;
  PluginState fresh;
  fresh.UseFastPaths(false);  // the two passes: the reference bytes
  fresh.Start(format, nullptr);
  return fresh.ProcessFrame(frame->data(), inputs);
}

void RunFrame(PluginState& state, const Stream& stream, uint8_t* frame, const FrameInputs& inputs, int32_t failAt,
              bool failAll) {
  static std::vector<uint8_t> before;
  before.assign(frame, frame + stream.bytes);

  xvf::test::ArmAllocationFailures(failAt, failAll);
  const int32_t result = state.ProcessFrame(frame, inputs);
  const int32_t failures = xvf::test::TakeAllocationFailures();
  xvf::test::DisarmAllocationFailures();

  Check(result == 0 || result == 1);
  if (result == 0) Check(std::memcmp(frame, before.data(), before.size()) == 0);
  const StreamFormat& f = stream.format;
  const bool mustRefuse = !inputs.windowFound || inputs.clientWidth <= 0 || inputs.clientHeight <= 0 ||
                          inputs.aspectMode < 1 || inputs.aspectMode > 4 || f.bypass == 1 || f.bypass == 2 ||
                          !stream.usable;
  if (mustRefuse) Check(result == 0);
  if (failures > 0) {
    Check(result == 0);
    theStateChecked = false;
  }
  if (!stream.usable || failures > 0) return;
  // Without a panorama table (its allocation failed at Start) panorama
  // frames are refused where a fresh state would work.
  if (inputs.aspectMode == 3 && !xvf::PluginStateProbe::PanoramaTable(state)) {
    Check(result == 0);
    return;
  }
  if ((theStateChecked && theCheckedInputs == inputs) || theFreshChecksLeft == 0) return;
  static std::vector<uint8_t> expected;
  expected = before;
  Check(FreshPass(f, inputs, &expected) == result);
  Check(std::memcmp(frame, expected.data(), expected.size()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  Stream stream;
  if (!TakeStream(in, &stream)) return 0;
  const uint8_t flags = in.Take<uint8_t>();
  static xvf::fuzz::GuardedFrame guarded(kMaxFrameBytes);
  // Never black and never flat, so a painted band or a resampled row shows.
  static const std::vector<uint8_t> noise = xvf::test::MidGreyNoise(kMaxFrameBytes + 256, 1);
  uint8_t* const frame = guarded.Place(stream.bytes, (flags & 1) != 0);
  std::memcpy(frame, noise.data() + stream.noiseStart, stream.bytes);
  theStateChecked = false;
  theFreshChecksLeft = kFreshChecks;

  PluginState state;
  state.UseKernels(xvf::EngineKernelsFor(Level(flags >> 1)));
  // The panorama table's allocation at Start may fail too.
  xvf::test::ArmAllocationFailures((flags & 0x20) ? 0 : -1, false);
  Check(state.Start(stream.format, nullptr) == 1);
  xvf::test::DisarmAllocationFailures();

  // Each frame of a long row or a tall column rebuilds maps and plans as long
  // as the frame's sides: such streams get shorter sequences.
  const StreamFormat& f = stream.format;
  const bool large = stream.usable && (f.width > kSmallSide || f.height > kSmallSide);
  const int32_t maxSteps = large ? kLargeStreamSteps : kSmallStreamSteps;
  FrameInputs inputs;
  for (int32_t steps = 0; steps < maxSteps && in.Left() > 0; ++steps) {
    const uint8_t op = in.Take<uint8_t>();
    switch (op >> 5) {
      case 0:  // Stop, then Start the same stream again (a second Stop does nothing)
        state.Stop();
        if (op & 1) state.Stop();
        Check(state.Start(stream.format, nullptr) == 1);
        theStateChecked = false;
        break;
      case 1:  // Start without a Stop; Start releases the earlier table
        Check(state.Start(stream.format, nullptr) == 1);
        theStateChecked = false;
        break;
      case 2:  // the same settings and window as the frame before
        RunFrame(state, stream, frame, inputs, -1, false);
        break;
      case 3: {  // a failed allocation in this frame: the n-th, or the n-th and every later one
        const FrameInputs next = TakeInputs(in);
        inputs = next;
        RunFrame(state, stream, frame, inputs, op & 7, (op & 8) != 0);
        break;
      }
      case 4:  // the kernels of another CPU level
        state.UseKernels(xvf::EngineKernelsFor(Level(op)));
        theStateChecked = false;
        break;
      default:
        inputs = TakeInputs(in);
        RunFrame(state, stream, frame, inputs, -1, false);
        break;
    }
  }
  state.Stop();
  return 0;
}
