#pragma once
// The vertical row kernels' loops, shared by the SSE2 and SSSE3 kernels, which
// differ only in how they rearrange bytes: `Shuffles` gives Yuy2WorkLow,
// Yuy2WorkHigh and SpreadRgb24 for one instruction set. Internal linkage, so
// each kernel file compiles its own copy for its own instruction set.
#include <cstdint>

#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

template <typename Shuffles>
inline void VerticalRowYuy2Loop(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  const __m128i w = _mm_set1_epi16(static_cast<int16_t>(weight));
  for (; count >= 4; count -= 4, a += 16, work += 32) {
    const __m128i pairs = LerpBytes(Load128(a), Load128(a + offset), w);
    Store128(work, Shuffles::Yuy2WorkLow(pairs));
    Store128(work + 16, Shuffles::Yuy2WorkHigh(pairs));
  }
  if (count >= 2) {
    Store128(work, Shuffles::Yuy2WorkLow(LerpBytesLow(Load64(a), Load64(a + offset), w)));
    count -= 2;
    a += 8;
    work += 16;
  }
  if (count == 1) Store64(work, Shuffles::Yuy2WorkLow(LerpBytesLow(Load32(a), Load32(a + offset), w)));
}

template <typename Shuffles>
inline void VerticalRowRgb24Loop(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  const __m128i w = _mm_set1_epi16(static_cast<int16_t>(weight));
  // A 16-byte load covers four pixels and a third of a fifth: it stays within
  // the row while six pixels remain.
  for (; count >= 6; count -= 4, a += 12, work += 16) {
    Store128(work, Shuffles::SpreadRgb24(LerpBytes(Load128(a), Load128(a + offset), w)));
  }
  if (count >= 4) {
    Store128(work, Shuffles::SpreadRgb24(LerpBytes(Load96(a), Load96(a + offset), w)));
    count -= 4;
    a += 12;
    work += 16;
  }
  for (; count > 0; --count, a += 3, work += 4) {
    const uint8_t* b = a + offset;
    work[0] = LerpByte(a[0], b[0], weight);
    work[1] = LerpByte(a[1], b[1], weight);
    work[2] = LerpByte(a[2], b[2], weight);
    work[3] = 0;
  }
}

}  // namespace
}  // namespace xvf
