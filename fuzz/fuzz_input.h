#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace xvf::fuzz {

// Reads values from the fuzzer's bytes in order; past the end they read as 0.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  template <typename T>
  T Take() {
    T value{};
    const size_t n = size_ < sizeof(T) ? size_ : sizeof(T);
    std::memcpy(&value, data_, n);
    data_ += n;
    size_ -= n;
    return value;
  }
  size_t Left() const { return size_; }

 private:
  const uint8_t* data_;
  size_t size_;
};

}  // namespace xvf::fuzz
