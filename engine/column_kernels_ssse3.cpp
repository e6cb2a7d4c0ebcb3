// SSSE3 column kernel: per half block, one PSHUFB gathers the (A, B) pairs,
// PMADDUBSW with (-2, +2) gives 2(B - A), and the result is
// A + PMULHW(2(B - A), 8w).
#include <tmmintrin.h>

#include "engine/column_kernels.h"
#include "engine/column_rows_tmpl.h"
#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

inline __m128i Half(__m128i window, __m128i samples, __m128i weights) {
  const __m128i pairs = _mm_shuffle_epi8(window, samples);
  const __m128i twiceDiff = _mm_maddubs_epi16(pairs, _mm_set1_epi16(0x02FE));
  return _mm_add_epi16(_mm_and_si128(pairs, _mm_set1_epi16(0x00FF)), _mm_mulhi_epi16(twiceDiff, weights));
}

struct Ssse3 {
  template <int N>
  static void Block(const ColumnBlock* block, uint8_t* const* src, uint8_t* const* dst) {
    const __m128i samples0 = Load128(block->samples), samples1 = Load128(block->samples + 16);
    const __m128i weights0 = Load128(block->weights), weights1 = Load128(block->weights + 8);
    // Fields in locals: the stores below may alias the table as far as the
    // compiler knows.
    const int32_t d = block->dst, base0 = block->base[0], base1 = block->base[1];
    // 64-bit code reads every row's windows before it stores; 32-bit code,
    // with 8 vector registers, stores each row before it reads the next (a
    // row is its own source only), holding the table and one row.
    __m128i out[N];
#pragma GCC unroll 8
    for (int i = 0; i < N; ++i) {
      out[i] = _mm_packus_epi16(Half(Load128(src[i] + base0), samples0, weights0),
                                Half(Load128(src[i] + base1), samples1, weights1));
      if constexpr (sizeof(void*) == 4) Store128(dst[i] + d, out[i]);
    }
    if constexpr (sizeof(void*) == 8) {
#pragma GCC unroll 8
      for (int i = 0; i < N; ++i) Store128(dst[i] + d, out[i]);
    }
  }
};

}  // namespace

void ResampleColumns_SSSE3(uint8_t* firstRow, ptrdiff_t rowStride, int32_t rows, const ColumnBlockPlan& plan) {
  ResampleRows<Ssse3>(firstRow, rowStride, rows, plan);
}

}  // namespace xvf
