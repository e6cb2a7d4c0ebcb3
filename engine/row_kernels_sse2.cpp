// SSE2 row kernels: the scalar kernels' bytes, several pixels at a time. No
// load reaches past the last source byte the scalar kernel reads and no store
// touches a byte it does not write.
#include "engine/row_kernels.h"
#include "engine/row_kernels_simd.h"
#include "engine/row_kernels_vertical_tmpl.h"

namespace xvf {
namespace {

// Interpolated source pairs (bytes Y0 U Y1 V) to work pixels: the even bytes
// take each pixel's own luma (words Y0 U Y0 U Y1 V Y1 V), the odd bytes the
// pair's chroma (dwords Y0 U Y1 V twice). Low: pairs 0 and 1; high: 2 and 3.
inline __m128i Yuy2WorkLow(__m128i pairs) {
  const __m128i luma = _mm_set1_epi16(0x00FF);
  return _mm_or_si128(_mm_and_si128(luma, _mm_unpacklo_epi16(pairs, pairs)),
                      _mm_andnot_si128(luma, _mm_unpacklo_epi32(pairs, pairs)));
}
inline __m128i Yuy2WorkHigh(__m128i pairs) {
  const __m128i luma = _mm_set1_epi16(0x00FF);
  return _mm_or_si128(_mm_and_si128(luma, _mm_unpackhi_epi16(pairs, pairs)),
                      _mm_andnot_si128(luma, _mm_unpackhi_epi32(pairs, pairs)));
}

// Bytes 0..2 of dword i.
inline __m128i ColourBytes(int i) {
  return _mm_setr_epi32(i == 0 ? 0x00FFFFFF : 0, i == 1 ? 0x00FFFFFF : 0, i == 2 ? 0x00FFFFFF : 0,
                        i == 3 ? 0x00FFFFFF : 0);
}

// Four 3-byte pixels (bytes 0..11) to four work pixels B G R 0.
inline __m128i SpreadRgb24(__m128i p) {
  const __m128i p0 = _mm_and_si128(p, ColourBytes(0));
  const __m128i p1 = _mm_and_si128(_mm_slli_si128(p, 1), ColourBytes(1));
  const __m128i p2 = _mm_and_si128(_mm_slli_si128(p, 2), ColourBytes(2));
  const __m128i p3 = _mm_and_si128(_mm_slli_si128(p, 3), ColourBytes(3));
  return _mm_or_si128(_mm_or_si128(p0, p1), _mm_or_si128(p2, p3));
}

// Four work pixels to four 3-byte pixels in bytes 0..11 (bytes 12..15 zero).
inline __m128i PackRgb24(__m128i p) {
  const __m128i p0 = _mm_and_si128(p, ColourBytes(0));
  const __m128i p1 = _mm_srli_si128(_mm_and_si128(p, ColourBytes(1)), 1);
  const __m128i p2 = _mm_srli_si128(_mm_and_si128(p, ColourBytes(2)), 2);
  const __m128i p3 = _mm_srli_si128(_mm_and_si128(p, ColourBytes(3)), 3);
  return _mm_or_si128(_mm_or_si128(p0, p1), _mm_or_si128(p2, p3));
}

struct Sse2Shuffles {
  static __m128i Yuy2WorkLow(__m128i pairs) { return xvf::Yuy2WorkLow(pairs); }
  static __m128i Yuy2WorkHigh(__m128i pairs) { return xvf::Yuy2WorkHigh(pairs); }
  static __m128i SpreadRgb24(__m128i p) { return xvf::SpreadRgb24(p); }
};

}  // namespace

void VerticalRowYuy2_SSE2(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  VerticalRowYuy2Loop<Sse2Shuffles>(a, offset, weight, count, work);
}

void VerticalRowRgb24_SSE2(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  VerticalRowRgb24Loop<Sse2Shuffles>(a, offset, weight, count, work);
}

void HorizontalRowYuy2_SSE2(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst) {
  const __m128i zero = _mm_setzero_si128();
  for (; count >= 8; count -= 8, map += 8, dst += 16) {
    const __m128i p0 = SampleTwo(work, map);
    const __m128i p1 = SampleTwo(work, map + 2);
    const __m128i p2 = SampleTwo(work, map + 4);
    const __m128i p3 = SampleTwo(work, map + 6);
    Store128(dst, _mm_packus_epi16(Yuy2PairLanes(p0, p1), Yuy2PairLanes(p2, p3)));
  }
  for (; count >= 2; count -= 2, map += 2, dst += 4) {
    const __m128i p = SampleTwo(work, map);
    Store32(dst, _mm_packus_epi16(Yuy2PairLanes(p, p), zero));
  }
  // A last pixel on an even column: its Y and U; the pair's other half stays.
  if (count == 1) Store16(dst, _mm_packus_epi16(SampleOne(work, map), zero));
}

void HorizontalRowYuy2Odd_SSE2(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst) {
  if (count <= 0) return;
  // The first pixel is the second half of its pair: its Y and V only.
  const __m128i first = _mm_packus_epi16(SampleOne(work, map), _mm_setzero_si128());
  Store16(dst, _mm_srli_si128(first, 2));
  HorizontalRowYuy2_SSE2(work, map + 1, count - 1, dst + 2);
}

void HorizontalRowRgb24_SSE2(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst) {
  const __m128i zero = _mm_setzero_si128();
  for (; count >= 4; count -= 4, map += 4, dst += 12) {
    const __m128i p01 = SampleTwo(work, map);
    const __m128i p23 = SampleTwo(work, map + 2);
    Store96(dst, PackRgb24(_mm_packus_epi16(p01, p23)));
  }
  for (; count > 0; --count, ++map, dst += 3) {
    const __m128i p = _mm_packus_epi16(SampleOne(work, map), zero);
    Store16(dst, p);
    dst[2] = static_cast<uint8_t>(_mm_cvtsi128_si32(p) >> 16);
  }
}

}  // namespace xvf
