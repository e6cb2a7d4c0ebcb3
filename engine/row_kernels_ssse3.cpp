// SSSE3 row kernels: as the SSE2 ones, with PSHUFB for the YUY2 lane
// rearrangement and the RGB24 3 <-> 4 byte conversions.
#include <tmmintrin.h>

#include "engine/row_kernels.h"
#include "engine/row_kernels_simd.h"
#include "engine/row_kernels_vertical_tmpl.h"

namespace xvf {
namespace {

// Interpolated pairs Y0 U Y1 V to work pixels Y0 U Y0 V, Y1 U Y1 V: pairs 0
// and 1 of the 16 bytes, or pairs 2 and 3.
inline __m128i Yuy2WorkLow(__m128i pairs) {
  return _mm_shuffle_epi8(pairs, _mm_setr_epi8(0, 1, 0, 3, 2, 1, 2, 3, 4, 5, 4, 7, 6, 5, 6, 7));
}
inline __m128i Yuy2WorkHigh(__m128i pairs) {
  return _mm_shuffle_epi8(pairs, _mm_setr_epi8(8, 9, 8, 11, 10, 9, 10, 11, 12, 13, 12, 15, 14, 13, 14, 15));
}

// Four 3-byte pixels (bytes 0..11) to four work pixels B G R 0.
inline __m128i SpreadRgb24(__m128i p) {
  return _mm_shuffle_epi8(p, _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1));
}

// Four work pixels to four 3-byte pixels in bytes 0..11 (bytes 12..15 zero).
inline __m128i PackRgb24(__m128i p) {
  return _mm_shuffle_epi8(p, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
}

struct Ssse3Shuffles {
  static __m128i Yuy2WorkLow(__m128i pairs) { return xvf::Yuy2WorkLow(pairs); }
  static __m128i Yuy2WorkHigh(__m128i pairs) { return xvf::Yuy2WorkHigh(pairs); }
  static __m128i SpreadRgb24(__m128i p) { return xvf::SpreadRgb24(p); }
};

}  // namespace

void VerticalRowYuy2_SSSE3(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  VerticalRowYuy2Loop<Ssse3Shuffles>(a, offset, weight, count, work);
}

void VerticalRowRgb24_SSSE3(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  VerticalRowRgb24Loop<Ssse3Shuffles>(a, offset, weight, count, work);
}

void HorizontalRowRgb24_SSSE3(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst) {
  const __m128i zero = _mm_setzero_si128();
  // Eight pixels a step: 24 bytes in one 16-byte and one 8-byte store.
  for (; count >= 8; count -= 8, map += 8, dst += 24) {
    const __m128i p01 = SampleTwo(work, map);
    const __m128i p23 = SampleTwo(work, map + 2);
    const __m128i p45 = SampleTwo(work, map + 4);
    const __m128i p67 = SampleTwo(work, map + 6);
    const __m128i first = PackRgb24(_mm_packus_epi16(p01, p23));
    const __m128i second = PackRgb24(_mm_packus_epi16(p45, p67));
    Store128(dst, _mm_or_si128(first, _mm_slli_si128(second, 12)));
    Store64(dst + 16, _mm_srli_si128(second, 4));
  }
  if (count >= 4) {
    const __m128i p01 = SampleTwo(work, map);
    const __m128i p23 = SampleTwo(work, map + 2);
    Store96(dst, PackRgb24(_mm_packus_epi16(p01, p23)));
    count -= 4;
    map += 4;
    dst += 12;
  }
  for (; count > 0; --count, ++map, dst += 3) {
    const __m128i p = _mm_packus_epi16(SampleOne(work, map), zero);
    Store16(dst, p);
    dst[2] = static_cast<uint8_t>(_mm_cvtsi128_si32(p) >> 16);
  }
}

}  // namespace xvf
