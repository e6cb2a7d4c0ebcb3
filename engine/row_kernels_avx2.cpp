// AVX2 vertical row kernels: 32 source bytes a step, the rest of the row by
// the SSSE3 kernels. Kept to a few live registers: the 32-bit build cannot
// count on a 32-byte aligned stack for spills.
#include <immintrin.h>

#include "engine/row_kernels.h"
#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

inline __m256i Lerp16x16(__m256i a, __m256i b, __m256i w) {
  return _mm256_add_epi16(a, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(b, a), 4), w));
}

// Two 16-byte loads as the two 128-bit lanes.
inline __m256i LoadLanes(const uint8_t* low, const uint8_t* high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(low)), Load128(high), 1);
}

}  // namespace

void VerticalRowYuy2_AVX2(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  const __m256i w = _mm256_set1_epi16(static_cast<int16_t>(weight));
  // Each lane's bytes 0..7 or 8..15 (two pairs) to four work pixels.
  const __m256i expandLow = _mm256_setr_epi8(0, 1, 0, 3, 2, 1, 2, 3, 4, 5, 4, 7, 6, 5, 6, 7,  //
                                             0, 1, 0, 3, 2, 1, 2, 3, 4, 5, 4, 7, 6, 5, 6, 7);
  const __m256i expandHigh = _mm256_setr_epi8(8, 9, 8, 11, 10, 9, 10, 11, 12, 13, 12, 15, 14, 13, 14, 15,  //
                                              8, 9, 8, 11, 10, 9, 10, 11, 12, 13, 12, 15, 14, 13, 14, 15);
  for (; count >= 8; count -= 8, a += 32, work += 64) {
    const __m256i low = Lerp16x16(_mm256_cvtepu8_epi16(Load128(a)), _mm256_cvtepu8_epi16(Load128(a + offset)), w);
    const __m256i high =
        Lerp16x16(_mm256_cvtepu8_epi16(Load128(a + 16)), _mm256_cvtepu8_epi16(Load128(a + 16 + offset)), w);
    // Lanes hold pairs 0 1 4 5 and 2 3 6 7.
    const __m256i pairs = _mm256_packus_epi16(low, high);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(work), _mm256_shuffle_epi8(pairs, expandLow));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(work + 32), _mm256_shuffle_epi8(pairs, expandHigh));
  }
  VerticalRowYuy2_SSSE3(a, offset, weight, count, work);
}

void VerticalRowRgb24_AVX2(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  const __m256i w = _mm256_set1_epi16(static_cast<int16_t>(weight));
  const __m256i zero = _mm256_setzero_si256();
  const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                          0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  // Each lane takes four pixels from a 16-byte load; the second load ends
  // 28 bytes in, within the row while ten pixels remain.
  for (; count >= 10; count -= 8, a += 24, work += 32) {
    const __m256i va = LoadLanes(a, a + 12);
    const __m256i vb = LoadLanes(a + offset, a + offset + 12);
    const __m256i low = Lerp16x16(_mm256_unpacklo_epi8(va, zero), _mm256_unpacklo_epi8(vb, zero), w);
    const __m256i high = Lerp16x16(_mm256_unpackhi_epi8(va, zero), _mm256_unpackhi_epi8(vb, zero), w);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(work), _mm256_shuffle_epi8(_mm256_packus_epi16(low, high), spread));
  }
  VerticalRowRgb24_SSSE3(a, offset, weight, count, work);
}

}  // namespace xvf
