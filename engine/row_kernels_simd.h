#pragma once
// Helpers of the SSE2, SSSE3 and AVX2 row kernel files. Everything here has
// internal linkage: each file compiles its own copy with its own instruction
// set, so no baseline code can end up calling a wider copy.
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "engine/interpolate.h"
#include "engine/scale_map.h"

namespace xvf {
namespace {

inline __m128i Load32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return _mm_cvtsi32_si128(v);
}
inline __m128i Load64(const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
inline __m128i Load128(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

// Exactly 12 bytes: four RGB24 pixels, bytes 12..15 zero.
inline __m128i Load96(const uint8_t* p) { return _mm_unpacklo_epi64(Load64(p), Load32(p + 8)); }

inline void Store16(uint8_t* p, __m128i v) {
  const uint16_t low = static_cast<uint16_t>(_mm_cvtsi128_si32(v));
  std::memcpy(p, &low, 2);
}
inline void Store32(uint8_t* p, __m128i v) {
  const int32_t low = _mm_cvtsi128_si32(v);
  std::memcpy(p, &low, 4);
}
inline void Store64(uint8_t* p, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v); }
inline void Store128(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Exactly 12 bytes, the low 12 of v.
inline void Store96(uint8_t* p, __m128i v) {
  Store64(p, v);
  Store32(p + 8, _mm_srli_si128(v, 8));
}

// A row blend 16 bytes a step, bytes >= 16: dst[k..k+15] = blend(a16, b16).
// The last 16 bytes (overlapping the step before) are blended before any
// store, as dst may be a or b. A cache line a step, with the same line of the
// row `next` prefetched (a hint, never read through).
template <typename Blend16>
inline void BlendRow16(const uint8_t* a, const uint8_t* b, int32_t bytes, uint8_t* dst, const uint8_t* next,
                       Blend16 blend) {
  const int32_t last = bytes - 16;
  const __m128i tail = blend(Load128(a + last), Load128(b + last));
  int32_t i = 0;
  for (; i + 64 <= last; i += 64) {
    _mm_prefetch(reinterpret_cast<const char*>(next + i), _MM_HINT_T0);
    for (int32_t k = i; k < i + 64; k += 16) Store128(dst + k, blend(Load128(a + k), Load128(b + k)));
  }
  _mm_prefetch(reinterpret_cast<const char*>(next + last), _MM_HINT_T0);
  for (; i < last; i += 16) Store128(dst + i, blend(Load128(a + i), Load128(b + i)));
  Store128(dst + last, tail);
}

// The scalar rule for tails.
inline uint8_t LerpByte(uint8_t a, uint8_t b, int32_t w) { return Interpolate(a, b, w); }

// a + floor((b - a) * w / 4096) on 16-bit lanes holding 0..255 and w 0..4095:
// (b - a) << 4 fits a signed 16-bit lane, and the high half of its signed
// product with w is floor((b - a) * 16 * w / 65536), the exact quotient.
inline __m128i Lerp16(__m128i a, __m128i b, __m128i w) {
  return _mm_add_epi16(a, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(b, a), 4), w));
}

// The rule on 16 bytes; w holds the weight in every 16-bit lane.
inline __m128i LerpBytes(__m128i a, __m128i b, __m128i w) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = Lerp16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), w);
  const __m128i high = Lerp16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), w);
  return _mm_packus_epi16(low, high);
}

// The rule on the low 8 bytes; the high 8 bytes of the result are 0.
inline __m128i LerpBytesLow(__m128i a, __m128i b, __m128i w) {
  const __m128i zero = _mm_setzero_si128();
  return _mm_packus_epi16(Lerp16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), w), zero);
}

// Samples one map entry: moves the running position to A, then on to B, and
// returns the interpolated work pixel in 16-bit lanes 0..3.
inline __m128i SampleOne(const uint8_t*& position, const ScaleMapEntry* entry) {
  const __m128i zero = _mm_setzero_si128();
  position += entry->advance;
  const __m128i a = Load32(position);
  position += entry->secondOffset;
  const __m128i b = Load32(position);
  const __m128i w = _mm_unpackhi_epi64(Load128(entry), zero);
  return Lerp16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), w);
}

// Samples two consecutive entries: the first pixel in 16-bit lanes 0..3, the
// second in lanes 4..7. The weights sit in the high 8 bytes of each entry.
inline __m128i SampleTwo(const uint8_t*& position, const ScaleMapEntry* entries) {
  const __m128i zero = _mm_setzero_si128();
  position += entries[0].advance;
  const __m128i a0 = Load32(position);
  position += entries[0].secondOffset;
  const __m128i b0 = Load32(position);
  position += entries[1].advance;
  const __m128i a1 = Load32(position);
  position += entries[1].secondOffset;
  const __m128i b1 = Load32(position);
  const __m128i a = _mm_unpacklo_epi8(_mm_unpacklo_epi32(a0, a1), zero);
  const __m128i b = _mm_unpacklo_epi8(_mm_unpacklo_epi32(b0, b1), zero);
  const __m128i w = _mm_unpackhi_epi64(Load128(&entries[0]), Load128(&entries[1]));
  return Lerp16(a, b, w);
}

// Two sampled pixel pairs (16-bit lanes, even pixel then odd pixel each) to
// one destination pair each: Y and U of the even pixel, Y and V of the odd.
inline __m128i Yuy2PairLanes(__m128i first, __m128i second) {
  return _mm_castps_si128(
      _mm_shuffle_ps(_mm_castsi128_ps(first), _mm_castsi128_ps(second), _MM_SHUFFLE(3, 0, 3, 0)));
}

}  // namespace
}  // namespace xvf
