// SSSE3 fast-path kernels. Row blend: PMADDUBSW of the interleaved (a, b)
// pairs gives d, and the corrections, packed to signed bytes, are added
// bytewise (as the AVX2 blend). Gather: one PSHUFB per half block gathers
// the sample pairs, two PMADDUBSW weigh them (see GatherBlock).
#include <tmmintrin.h>

#include <cstring>

#include "engine/fast_row_kernels.h"
#include "engine/lerp_row_dispatch.h"
#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

inline __m128i GatherHalf(const uint8_t* src, const GatherBlock* block, int half) {
  const __m128i pairs = _mm_shuffle_epi8(Load128(src + block->base[half]),
                                         Load128(block->samples + 16 * half));
  const __m128i p = _mm_maddubs_epi16(pairs, Load128(block->coarse + 16 * half));
  const __m128i r = _mm_maddubs_epi16(pairs, Load128(block->fine + 16 * half));
  return _mm_srli_epi16(_mm_add_epi16(p, _mm_srai_epi16(r, 6)), 6);
}

inline __m128i GatherBlock16(const uint8_t* src, const GatherBlock* block) {
  return _mm_packus_epi16(GatherHalf(src, block, 0), GatherHalf(src, block, 1));
}

// The rule on 16 bytes: `scaled` is 16w below w = 2048 (the correction
// mulhi(d, 16w) is to a) and 16w - 65536 from 2048 on (to b); either lies
// within -128..127, so it packs to a signed byte exactly and the byte add
// carries nothing.
template <bool kFromB>
inline __m128i Blend16(__m128i a, __m128i b, __m128i scaled) {
  const __m128i minusPlus = _mm_set1_epi16(0x01FF);  // bytes -1, +1
  const __m128i dLow = _mm_maddubs_epi16(_mm_unpacklo_epi8(a, b), minusPlus);
  const __m128i dHigh = _mm_maddubs_epi16(_mm_unpackhi_epi8(a, b), minusPlus);
  const __m128i corrections = _mm_packs_epi16(_mm_mulhi_epi16(dLow, scaled), _mm_mulhi_epi16(dHigh, scaled));
  return _mm_add_epi8(kFromB ? b : a, corrections);
}

inline __m128i Scaled(int32_t weight) { return _mm_set1_epi16(static_cast<int16_t>(static_cast<uint16_t>(weight << 4))); }

template <bool kFromB>
void LerpRows(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst, const uint8_t* next) {
  const __m128i scaled = Scaled(weight);
  BlendRow16(a, b, bytes, dst, next, [scaled](__m128i x, __m128i y) { return Blend16<kFromB>(x, y, scaled); });
}

}  // namespace

void LerpRow_SSSE3(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst,
                   const uint8_t* next) {
  LerpRowByWeight<16, LerpRowBytes, LerpRows<false>, LerpRows<true>>(a, b, weight, bytes, dst, next);
}

void LerpRowPair_SSSE3(const uint8_t* a, const uint8_t* b, int32_t weight0, int32_t weight1, int32_t bytes,
                       uint8_t* dst0, uint8_t* dst1, const uint8_t* next) {
  LerpRowPairAsTwoRows<LerpRow_SSSE3>(a, b, weight0, weight1, bytes, dst0, dst1, next);
}

void GatherRow_SSSE3(const uint8_t* src, const GatherBlock* blocks, int32_t bytes, uint8_t* dst) {
  for (; bytes >= 16; bytes -= 16, ++blocks, dst += 16) Store128(dst, GatherBlock16(src, blocks));
  if (bytes > 0) {
    alignas(16) uint8_t last[16];
    Store128(last, GatherBlock16(src, blocks));
    std::memcpy(dst, last, static_cast<size_t>(bytes));
  }
}

}  // namespace xvf
