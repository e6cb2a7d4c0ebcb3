// SSE2 LerpRow: 16 bytes a step.
#include "engine/fast_row_kernels.h"
#include "engine/lerp_row_dispatch.h"
#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

// As the AVX2 version: the two corrections add to the base's whole lanes;
// `scaled` is 16w as a signed 16-bit value, and from w = 2048 on the rule is
// b + mulhi(b - a, scaled).
template <bool kFromB>
inline __m128i LerpSplit16(__m128i a, __m128i b, __m128i scaled) {
  const __m128i low = _mm_set1_epi16(0x00FF);
  const __m128i even = _mm_mulhi_epi16(_mm_sub_epi16(_mm_and_si128(b, low), _mm_and_si128(a, low)), scaled);
  const __m128i odd = _mm_mulhi_epi16(_mm_sub_epi16(_mm_srli_epi16(b, 8), _mm_srli_epi16(a, 8)), scaled);
  return _mm_add_epi16(_mm_add_epi16(kFromB ? b : a, even), _mm_slli_epi16(odd, 8));
}

template <bool kFromB>
void LerpRows(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst, const uint8_t* next) {
  const __m128i scaled = _mm_set1_epi16(static_cast<int16_t>(static_cast<uint16_t>(weight << 4)));
  BlendRow16(a, b, bytes, dst, next, [scaled](__m128i x, __m128i y) { return LerpSplit16<kFromB>(x, y, scaled); });
}

}  // namespace

void LerpRow_SSE2(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst,
                  const uint8_t* next) {
  LerpRowByWeight<16, LerpRowBytes, LerpRows<false>, LerpRows<true>>(a, b, weight, bytes, dst, next);
}

void LerpRowPair_SSE2(const uint8_t* a, const uint8_t* b, int32_t weight0, int32_t weight1, int32_t bytes,
                       uint8_t* dst0, uint8_t* dst1, const uint8_t* next) {
  LerpRowPairAsTwoRows<LerpRow_SSE2>(a, b, weight0, weight1, bytes, dst0, dst1, next);
}

}  // namespace xvf
