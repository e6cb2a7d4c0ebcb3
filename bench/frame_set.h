#pragma once
// Frames for the benchmarks: one frame reused (hot: it stays in the caches),
// or a rotating set larger than the last-level cache (cold: each frame comes
// from memory, as frames arrive from a capture card).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bench/bench_cases.h"
#include "platform/aligned_buffer.h"

namespace xvf::bench {

// Bytes the cold set spans, the same on every build so that the win32 and
// native timings rotate through the same memory: more than twice the
// last-level cache one core reaches on the machines we measure (32 MiB on
// the development machine's core complex; sysconf reports the whole
// socket's 256 MiB there, where Windows builds assumed 32 MiB: the two sides
// of the win32/native ratio rotated through 256 and 64 MiB).
constexpr size_t kColdSetBytes = size_t{256} << 20;

class FrameSet {
 public:
  FrameSet(size_t frameBytes, bool cold) : bytes_(frameBytes) {
    const size_t count = cold ? std::max<size_t>(3, kColdSetBytes / frameBytes + 1) : 1;
    for (size_t i = 0; i < count; ++i) {
      frames_.push_back(static_cast<uint8_t*>(AlignedAlloc(frameBytes, 1)));
      if (i == 0) {
        FillPicture(frames_[0], frameBytes);
      } else {
        std::memcpy(frames_[i], frames_[0], frameBytes);
      }
    }
  }
  ~FrameSet() {
    for (uint8_t* f : frames_) AlignedFree(f);
  }
  FrameSet(const FrameSet&) = delete;
  FrameSet& operator=(const FrameSet&) = delete;

  size_t bytes() const { return bytes_; }
  size_t count() const { return frames_.size(); }
  uint8_t* frame(size_t i) { return frames_[i % frames_.size()]; }

 private:
  size_t bytes_;
  std::vector<uint8_t*> frames_;
};

}  // namespace xvf::bench
