// MMX row kernels with the integer extensions of SSE (PSHUFW): the scalar
// kernels' bytes in 64-bit mm registers, a sample's four bytes in four 16-bit
// lanes. No load reaches past the last source byte the scalar kernel reads
// and no store touches a byte it does not write. Every kernel clears the MMX
// state (EMMS) before it returns, so the caller may use the x87 unit.
#include <mmintrin.h>
#include <xmmintrin.h>

#include <cstring>

#include "engine/row_kernels.h"
#include "engine/mmx_memory.h"

namespace xvf {
namespace {

// a + floor((b - a) * w / 4096) on 16-bit lanes holding 0..255 and w 0..4095:
// (b - a) << 4 fits a signed 16-bit lane, and the high half of its signed
// product with w (PMULHW) is floor((b - a) * 16 * w / 65536), the exact quotient.
inline __m64 Lerp16(__m64 a, __m64 b, __m64 w) {
  return _mm_add_pi16(a, _mm_mulhi_pi16(_mm_slli_pi16(_mm_sub_pi16(b, a), 4), w));
}

inline __m64 Low4(__m64 bytes) { return _mm_unpacklo_pi8(bytes, _mm_setzero_si64()); }
inline __m64 High4(__m64 bytes) { return _mm_unpackhi_pi8(bytes, _mm_setzero_si64()); }

// Samples one map entry: moves the running position to A, then on to B, and
// returns the interpolated work pixel in 16-bit lanes; the entry's third and
// fourth words hold the weight four times.
inline __m64 Sample(const uint8_t*& position, const ScaleMapEntry* entry) {
  position += entry->advance;
  const __m64 a = Load32(position);
  position += entry->secondOffset;
  const __m64 b = Load32(position);
  return Lerp16(Low4(a), Low4(b), Load64(entry->weight));
}

// One interpolated source pair (lanes Y0 U Y1 V) to its two work pixels,
// bytes Y0 U Y0 V Y1 U Y1 V.
inline __m64 Yuy2Work(__m64 pair) {
  return _mm_packs_pu16(_mm_shuffle_pi16(pair, _MM_SHUFFLE(3, 0, 1, 0)),
                        _mm_shuffle_pi16(pair, _MM_SHUFFLE(3, 2, 1, 2)));
}

// An even and an odd sampled pixel to one destination pair's lanes: Y and U
// of the even pixel, Y and V of the odd one.
inline __m64 Yuy2Pair(__m64 even, __m64 odd) {
  const __m64 lowLanes = _mm_set_pi16(0, 0, -1, -1);
  return _mm_or_si64(_mm_and_si64(even, lowLanes), _mm_andnot_si64(lowLanes, odd));
}

// Bytes B0 G0 R0 x B1 G1 R1 x (two work pixels) to B0 G0 R0 B1 G1 R1 0 0.
inline __m64 PackRgb24Pair(__m64 pixels) {
  const __m64 first = _mm_set_pi32(0, 0x00FFFFFF);
  const __m64 second = _mm_set_pi32(0x00FFFFFF, 0);
  return _mm_or_si64(_mm_and_si64(pixels, first), _mm_srli_si64(_mm_and_si64(pixels, second), 8));
}

}  // namespace

void VerticalRowYuy2_MMX(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  const __m64 w = _mm_set1_pi16(static_cast<int16_t>(weight));
  for (; count >= 2; count -= 2, a += 8, work += 16) {
    const __m64 rowA = Load64(a);
    const __m64 rowB = Load64(a + offset);
    Store64(work, Yuy2Work(Lerp16(Low4(rowA), Low4(rowB), w)));
    Store64(work + 8, Yuy2Work(Lerp16(High4(rowA), High4(rowB), w)));
  }
  if (count == 1) Store64(work, Yuy2Work(Lerp16(Low4(Load32(a)), Low4(Load32(a + offset)), w)));
  _mm_empty();
}

void VerticalRowRgb24_MMX(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work) {
  const __m64 w = _mm_set1_pi16(static_cast<int16_t>(weight));
  // Bytes 0..2 stay, bytes 3..5 move to 4..6: B0 G0 R0 0 B1 G1 R1 0.
  const __m64 first = _mm_set_pi32(0, 0x00FFFFFF);
  const __m64 second = _mm_set_pi32(0x00FFFFFF, 0);
  // An 8-byte load covers two pixels and two bytes of a third: it stays
  // within the row while three pixels remain.
  for (; count >= 3; count -= 2, a += 6, work += 8) {
    const __m64 rowA = Load64(a);
    const __m64 rowB = Load64(a + offset);
    const __m64 bytes =
        _mm_packs_pu16(Lerp16(Low4(rowA), Low4(rowB), w), Lerp16(High4(rowA), High4(rowB), w));
    Store64(work, _mm_or_si64(_mm_and_si64(bytes, first), _mm_and_si64(_mm_slli_si64(bytes, 8), second)));
  }
  for (; count > 0; --count, a += 3, work += 4) {
    Store32(work, _mm_packs_pu16(Lerp16(Low4(Load24(a)), Low4(Load24(a + offset)), w), _mm_setzero_si64()));
  }
  _mm_empty();
}

void HorizontalRowYuy2_MMX(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst) {
  for (; count >= 4; count -= 4, map += 4, dst += 8) {
    const __m64 p0 = Sample(work, map);
    const __m64 p1 = Sample(work, map + 1);
    const __m64 p2 = Sample(work, map + 2);
    const __m64 p3 = Sample(work, map + 3);
    Store64(dst, _mm_packs_pu16(Yuy2Pair(p0, p1), Yuy2Pair(p2, p3)));
  }
  if (count >= 2) {
    const __m64 even = Sample(work, map);
    const __m64 odd = Sample(work, map + 1);
    Store32(dst, _mm_packs_pu16(Yuy2Pair(even, odd), _mm_setzero_si64()));
    count -= 2;
    map += 2;
    dst += 4;
  }
  // A last pixel on an even column: its Y and U; the pair's other half stays.
  if (count == 1) Store16(dst, _mm_packs_pu16(Sample(work, map), _mm_setzero_si64()));
  _mm_empty();
}

void HorizontalRowYuy2Odd_MMX(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst) {
  if (count <= 0) return;
  // The first pixel is the second half of its pair: its Y and V only.
  const __m64 first = _mm_packs_pu16(Sample(work, map), _mm_setzero_si64());
  Store16(dst, _mm_srli_si64(first, 16));
  HorizontalRowYuy2_MMX(work, map + 1, count - 1, dst + 2);  // clears the MMX state
}

void HorizontalRowRgb24_MMX(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst) {
  for (; count >= 4; count -= 4, map += 4, dst += 12) {
    const __m64 p0 = Sample(work, map);
    const __m64 p1 = Sample(work, map + 1);
    const __m64 p2 = Sample(work, map + 2);
    const __m64 p3 = Sample(work, map + 3);
    const __m64 low = PackRgb24Pair(_mm_packs_pu16(p0, p1));   // 6 bytes
    const __m64 high = PackRgb24Pair(_mm_packs_pu16(p2, p3));  // 6 bytes
    Store64(dst, _mm_or_si64(low, _mm_slli_si64(high, 48)));
    Store32(dst + 8, _mm_srli_si64(high, 16));
  }
  for (; count > 0; --count, ++map, dst += 3) {
    Store24(dst, _mm_packs_pu16(Sample(work, map), _mm_setzero_si64()));
  }
  _mm_empty();
}

}  // namespace xvf
