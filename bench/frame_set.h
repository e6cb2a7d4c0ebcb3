#pragma once
// Frames for the benchmarks: one frame reused (hot: it stays in the caches),
// or a rotating set larger than the last-level cache (cold: each frame comes
// from memory, as frames arrive from a capture card).
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bench/bench_cases.h"
#include "platform/aligned_buffer.h"

namespace xvf::bench {

// Bytes the cold set spans: twice the last-level cache (at least 32 MiB
// assumed, at most 256 MiB used; Windows builds assume 32 MiB).
inline size_t ColdSetBytes() {
#ifdef _SC_LEVEL3_CACHE_SIZE
  const long reported = sysconf(_SC_LEVEL3_CACHE_SIZE);
#else
  const long reported = 0;
#endif
  const size_t cache = std::max<size_t>(reported > 0 ? static_cast<size_t>(reported) : 0, size_t{32} << 20);
  return std::min<size_t>(2 * cache, size_t{256} << 20);
}

class FrameSet {
 public:
  FrameSet(size_t frameBytes, bool cold) : bytes_(frameBytes) {
    const size_t count = cold ? std::max<size_t>(3, ColdSetBytes() / frameBytes + 1) : 1;
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
