// SSE2 row blend: 16 bytes a step. The even and the odd bytes of each 16-bit
// lane are interpolated apart (mask and shift, no unpacking), and results
// stay within 0..255, so they recombine with a shift and an OR.
#include "engine/fast_row_kernels.h"
#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

inline __m128i Blend16(__m128i a, __m128i b, __m128i w) {
  const __m128i low = _mm_set1_epi16(0x00FF);
  const __m128i even = Lerp16(_mm_and_si128(a, low), _mm_and_si128(b, low), w);
  const __m128i odd = Lerp16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8), w);
  return _mm_or_si128(even, _mm_slli_epi16(odd, 8));
}

}  // namespace

void BlendRow_SSE2(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst) {
  const __m128i w = _mm_set1_epi16(static_cast<int16_t>(weight));
  if (bytes < 16) {
    for (int32_t i = 0; i < bytes; ++i) dst[i] = LerpByte(a[i], b[i], weight);
    return;
  }
  // The last 16 bytes are blended before any store: dst may be a or b.
  const int32_t last = bytes - 16;
  const __m128i tail = Blend16(Load128(a + last), Load128(b + last), w);
  for (int32_t i = 0; i < last; i += 16) Store128(dst + i, Blend16(Load128(a + i), Load128(b + i), w));
  Store128(dst + last, tail);
}

}  // namespace xvf
