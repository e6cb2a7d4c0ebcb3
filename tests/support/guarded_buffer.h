#pragma once
#include <cstddef>
#include <cstdint>

namespace xvf::test {

// A byte buffer with no-access pages on both sides. By default its last byte
// lies right before the trailing guard page, so any read or write past the
// end faults; with kAgainstStart its first byte follows the leading guard.
class GuardedBuffer {
 public:
  enum Placement { kAgainstEnd, kAgainstStart };

  explicit GuardedBuffer(size_t bytes, Placement placement = kAgainstEnd);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  uint8_t* base_ = nullptr;  // start of the whole mapping, leading guard first
  size_t mapped_ = 0;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace xvf::test
