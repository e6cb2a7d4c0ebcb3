#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace xvf {

// Pixel, map and table buffers: 16-byte aligned, released with AlignedFree.
// AlignedAlloc returns null on failure or when count * size overflows.
void* AlignedAlloc(size_t count, size_t size);
void AlignedFree(void* block);

// Test hook: when set, an allocation fails instead of asking the system
// whenever the hook returns true. Null in the product.
using AllocFailureHook = bool (*)(size_t bytes);
void SetAllocFailureHook(AllocFailureHook hook);

// An owned AlignedAlloc block of Ts, uninitialised, or null.
template <typename T>
class AlignedArray {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>,
                "the contents are raw memory");

 public:
  AlignedArray() = default;
  ~AlignedArray() { AlignedFree(data_); }
  AlignedArray(const AlignedArray&) = delete;
  AlignedArray& operator=(const AlignedArray&) = delete;

  // Room for `count` Ts in place of the old block, which is freed first;
  // false, and null, when the allocation failed.
  bool Allocate(size_t count) {
    Free();
    data_ = static_cast<T*>(AlignedAlloc(count, sizeof(T)));
    return data_ != nullptr;
  }
  void Free() {
    AlignedFree(data_);
    data_ = nullptr;
  }
  T* get() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  T* data_ = nullptr;
};

}  // namespace xvf
