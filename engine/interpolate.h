#pragma once
#include <cstdint>

namespace xvf {
// Internal linkage: the per-instruction-set files use it too, and a shared
// inline copy could be one compiled for a wider instruction set.
namespace {

// The interpolation rule of every scaler kernel: a + floor((b - a) * w / 4096)
// with w in 0..4095. The result lies between a and b; w = 0 gives a.
// Arithmetic right shift of a negative value is floor division (C++20 defines
// it; every compiler we build with already does it).
inline uint8_t Interpolate(uint8_t a, uint8_t b, int32_t w) {
  return static_cast<uint8_t>(a + (((static_cast<int32_t>(b) - a) * w) >> 12));
}

}  // namespace
}  // namespace xvf
