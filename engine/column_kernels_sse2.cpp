// SSE2 column kernel: no byte shuffle, so it works across rows rather than
// along them. Every row of a band of 16 takes the same taps: the band's
// touched bytes are transposed into the plan's scratch (a column of 16 rows
// per 16 bytes), each destination byte of the 16 rows is one vector step
// from two scratch columns, and 16 destination bytes at a time are
// transposed back into the rows. The band is read whole before any of it is
// written, so the plan's block order and saved windows are not needed.
#include <emmintrin.h>

#include <algorithm>

#include "engine/column_kernels.h"
#include "engine/column_rows_tmpl.h"
#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

constexpr int32_t kBand = 16;

// Bytes of x[a] and x[b] interleaved: the low halves into x[a], the high
// halves into x[b].
inline void Interleave(__m128i* x, int a, int b) {
  const __m128i low = _mm_unpacklo_epi8(x[a], x[b]);
  x[b] = _mm_unpackhi_epi8(x[a], x[b]);
  x[a] = low;
}

// In place: x[i] byte k becomes x[k] byte i. Interleaving the registers
// whose indices differ in bit b moves the byte index's top bit into bit b of
// the register index and that bit into the byte index from below; bits 3 to
// 0 in turn make the exchange. Bit 3 first (x[k] with x[k + 8]), which
// Transpose16AfterBit3 assumes done; then groups of 8, then 4 registers are
// finished one at a time, for 8-register (32-bit) code.
inline void Transpose16AfterBit3(__m128i* x) {
#pragma GCC unroll 2
  for (int g = 0; g < 16; g += 8) {
#pragma GCC unroll 4
    for (int k = g; k < g + 4; ++k) Interleave(x, k, k + 4);
#pragma GCC unroll 2
    for (int q = g; q < g + 8; q += 4) {
      Interleave(x, q, q + 2);
      Interleave(x, q + 1, q + 3);
      Interleave(x, q, q + 1);
      Interleave(x, q + 2, q + 3);
    }
  }
}

inline void Transpose16(__m128i* x) {
#pragma GCC unroll 8
  for (int k = 0; k < 8; ++k) Interleave(x, k, k + 8);
  Transpose16AfterBit3(x);
}

// One tap for 16 rows (column_plan.h): F + floor((F - T) m / 65536) in
// 16-bit words, which is the result byte, so PACKUSWB packs it unchanged.
inline __m128i Tap(const uint8_t* scratch, const ColumnTap& tap, const int16_t* weights) {
  const __m128i f = _mm_load_si128(reinterpret_cast<const __m128i*>(scratch + tap.from));
  const __m128i t = _mm_load_si128(reinterpret_cast<const __m128i*>(scratch + tap.toward));
  const __m128i m = _mm_load_si128(reinterpret_cast<const __m128i*>(weights));
  const __m128i zero = _mm_setzero_si128();
  const __m128i fLow = _mm_unpacklo_epi8(f, zero), fHigh = _mm_unpackhi_epi8(f, zero);
  const __m128i tLow = _mm_unpacklo_epi8(t, zero), tHigh = _mm_unpackhi_epi8(t, zero);
  return _mm_packus_epi16(_mm_add_epi16(fLow, _mm_mulhi_epi16(_mm_sub_epi16(fLow, tLow), m)),
                          _mm_add_epi16(fHigh, _mm_mulhi_epi16(_mm_sub_epi16(fHigh, tHigh), m)));
}

// The band's touched bytes into the scratch, 16 columns at a time; the last
// step ends at touchHigh, overlapping the one before.
void ToScratch(uint8_t* const* row, const ColumnBandPlan& plan) {
  const int32_t low = plan.touchLow, last = plan.touchHigh - 16;
  for (int32_t c = low; c < plan.touchHigh; c += 16) {
    const int32_t at = std::min(c, last);
    __m128i x[kBand];
#pragma GCC unroll 16
    for (int r = 0; r < kBand; ++r) x[r] = Load128(row[r] + at);
    Transpose16(x);
    uint8_t* column = plan.scratch + 16 * (at - low);
#pragma GCC unroll 16
    for (int k = 0; k < 16; ++k) _mm_store_si128(reinterpret_cast<__m128i*>(column + 16 * k), x[k]);
  }
}

// 16 destination bytes of each row from taps `first`..`first` + 15.
template <bool kFullBand>
inline void Step(uint8_t* const* row, int32_t rows, const ColumnBandPlan& plan, int32_t first) {
  const ColumnTap* tap = plan.taps + first;
  const int16_t* weights = plan.tapWeights + 8 * first;
  // Two taps at a time, with the transpose's first step: 16 taps
  // interleaved spill more.
  __m128i x[16];
#pragma GCC unroll 1
  for (int k = 0; k < 8; ++k) {
    x[k] = Tap(plan.scratch, tap[k], weights + 8 * k);
    x[k + 8] = Tap(plan.scratch, tap[k + 8], weights + 8 * (k + 8));
    Interleave(x, k, k + 8);
  }
  Transpose16AfterBit3(x);
  const int32_t d = plan.tapDst + first;
  if constexpr (kFullBand) {
#pragma GCC unroll 16
    for (int r = 0; r < kBand; ++r) Store128(row[r] + d, x[r]);
  } else {
    for (int r = 0; r < rows; ++r) Store128(row[r] + d, x[r]);
  }
}

// Every destination byte of the band, 16 at a time; the last step ends with
// the last byte, overlapping the one before (the scratch still holds its
// sources). Each step prefetches its share of the next band's rows.
template <bool kFullBand>
void FromScratch(uint8_t* const* row, int32_t rows, const ColumnBandPlan& plan, NextRows& next) {
  const int32_t last = plan.tapCount - 16;
  for (int32_t first = 0; first < plan.tapCount; first += 16) {
    next.Due();
    Step<kFullBand>(row, rows, plan, std::min(first, last));
  }
}

}  // namespace

void ResampleColumns_SSE2(uint8_t* firstRow, ptrdiff_t rowStride, int32_t rows, const ColumnBandPlan& plan) {
  for (int32_t done = 0; done < rows; done += kBand) {
    // A short band repeats its last row for the reads and writes only its own.
    const int32_t band = std::min(kBand, rows - done);
    uint8_t* row[kBand];
    for (int32_t r = 0; r < kBand; ++r) row[r] = firstRow + (done + std::min(r, band - 1)) * rowStride;
    ToScratch(row, plan);
    // The next band's lines spread over this band's steps.
    const int32_t after = RowsAfter(rows - done, kBand, kBand);
    NextRows next(firstRow + (done + kBand) * rowStride, rowStride, after, plan, kBand, 1);
    if (band == kBand) {
      FromScratch<true>(row, band, plan, next);
    } else {
      FromScratch<false>(row, band, plan, next);
    }
  }
}

}  // namespace xvf
