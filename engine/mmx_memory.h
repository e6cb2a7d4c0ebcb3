#pragma once
// Unaligned loads and stores of the MMX kernel files, each exactly as many
// bytes as its name says. Internal linkage: every MMX file compiles its own
// copy with its own flags.
#include <mmintrin.h>

#include <cstdint>
#include <cstring>

namespace xvf {
namespace {

inline __m64 Load32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return _mm_cvtsi32_si64(v);
}
inline __m64 Load64(const void* p) {
  __m64 v;
  std::memcpy(&v, p, 8);
  return v;
}
// Exactly 3 bytes, in bytes 0..2.
inline __m64 Load24(const uint8_t* p) { return _mm_cvtsi32_si64(p[0] | p[1] << 8 | p[2] << 16); }

inline void Store16(uint8_t* p, __m64 v) {
  const uint16_t low = static_cast<uint16_t>(_mm_cvtsi64_si32(v));
  std::memcpy(p, &low, 2);
}
inline void Store32(uint8_t* p, __m64 v) {
  const int32_t low = _mm_cvtsi64_si32(v);
  std::memcpy(p, &low, 4);
}
inline void Store64(uint8_t* p, __m64 v) { std::memcpy(p, &v, 8); }
// Exactly 3 bytes, bytes 0..2 of v.
inline void Store24(uint8_t* p, __m64 v) {
  const int32_t low = _mm_cvtsi64_si32(v);
  const uint16_t first = static_cast<uint16_t>(low);
  std::memcpy(p, &first, 2);
  p[2] = static_cast<uint8_t>(low >> 16);
}

}  // namespace
}  // namespace xvf
