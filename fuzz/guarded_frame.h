#pragma once
#include <sanitizer/asan_interface.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "tests/support/guarded_buffer.h"

namespace xvf::fuzz {

// One guarded mapping that every input reuses (mapping fresh pages per input
// cost more than the frame pass). A frame of up to `capacity` bytes lies
// with its last byte right before the trailing no-access page, or with its
// first byte right after the leading one; AddressSanitizer poisons the rest
// of the mapping, so a touch on the other side is caught as well (before a
// frame against the end, only from the 8-byte granule below its first byte:
// the frames against the start guard that side exactly).
class GuardedFrame {
 public:
  explicit GuardedFrame(size_t capacity) : buffer_(WholePages(capacity), test::GuardedBuffer::kAgainstStart) {
    ASAN_POISON_MEMORY_REGION(buffer_.data(), buffer_.size());
  }

  size_t capacity() const { return buffer_.size(); }

  // The frame of `bytes` (1..capacity) for this input; its content is left
  // from earlier inputs.
  uint8_t* Place(size_t bytes, bool againstStart) {
    ASAN_POISON_MEMORY_REGION(frame_, bytes_);
    frame_ = againstStart ? buffer_.data() : buffer_.data() + buffer_.size() - bytes;
    bytes_ = bytes;
    ASAN_UNPOISON_MEMORY_REGION(frame_, bytes_);
    return frame_;
  }

 private:
  // Both guard pages border the body only when it is whole pages.
  static size_t WholePages(size_t bytes) {
    const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
  }

  test::GuardedBuffer buffer_;
  uint8_t* frame_ = nullptr;
  size_t bytes_ = 0;
};

}  // namespace xvf::fuzz
