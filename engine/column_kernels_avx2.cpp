// AVX2 column kernel: a block's two halves in the two 128-bit lanes, each
// with its own window; one PSHUFB gathers the (A, B) pairs, PMADDUBSW with
// (-2, +2) gives 2(B - A), and the result is A + PMULHW(2(B - A), 8w).
// Packing two rows interleaves their lanes; one VPERMQ restores the order.
#include <immintrin.h>

#include "engine/column_kernels.h"
#include "engine/column_rows_tmpl.h"
#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

// Sixteen 16-bit results of one row of a block: lane 0 holds bytes 0..7,
// lane 1 bytes 8..15.
inline __m256i BlockLanes(const uint8_t* row, int32_t base0, int32_t base1, __m256i samples, __m256i weights) {
  const __m256i window = _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(row + base0)), Load128(row + base1), 1);
  const __m256i pairs = _mm256_shuffle_epi8(window, samples);
  const __m256i twiceDiff = _mm256_maddubs_epi16(pairs, _mm256_set1_epi16(0x02FE));
  return _mm256_add_epi16(_mm256_and_si256(pairs, _mm256_set1_epi16(0x00FF)), _mm256_mulhi_epi16(twiceDiff, weights));
}

// Two rows' results in byte order: packing interleaves their lanes, one
// VPERMQ restores the order.
inline void StorePair(uint8_t* first, uint8_t* second, __m256i firstLanes, __m256i secondLanes) {
  const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(firstLanes, secondLanes), _MM_SHUFFLE(3, 1, 2, 0));
  Store128(first, _mm256_castsi256_si128(packed));
  Store128(second, _mm256_extracti128_si256(packed, 1));
}

struct Avx2 {
  // 64-bit code reads every row's windows before it stores; 32-bit code, with
  // 8 vector registers, stores each pair of rows before it reads the next (a
  // row is its own source only), holding one pair and the table, no spill.
  template <int N>
  static void Block(const ColumnBlock* block, uint8_t* const* src, uint8_t* const* dst) {
    const __m256i samples = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block->samples));
    const __m256i weights = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block->weights));
    // Fields in locals: the stores below may alias the table as far as the
    // compiler knows.
    const int32_t d = block->dst, base0 = block->base[0], base1 = block->base[1];
    if constexpr (N == 1) {
      const __m256i out = BlockLanes(src[0], base0, base1, samples, weights);
      Store128(dst[0] + d, _mm_packus_epi16(_mm256_castsi256_si128(out), _mm256_extracti128_si256(out, 1)));
    } else if constexpr (sizeof(void*) == 4) {
#pragma GCC unroll 2
      for (int i = 0; i < N; i += 2) {
        const __m256i first = BlockLanes(src[i], base0, base1, samples, weights);
        const __m256i second = BlockLanes(src[i + 1], base0, base1, samples, weights);
        StorePair(dst[i] + d, dst[i + 1] + d, first, second);
      }
    } else {
      __m256i out[N];
#pragma GCC unroll 4
      for (int i = 0; i < N; ++i) out[i] = BlockLanes(src[i], base0, base1, samples, weights);
#pragma GCC unroll 2
      for (int i = 0; i < N; i += 2) StorePair(dst[i] + d, dst[i + 1] + d, out[i], out[i + 1]);
    }
  }
};

}  // namespace

void ResampleColumns_AVX2(uint8_t* firstRow, ptrdiff_t rowStride, int32_t rows, const ColumnPlan& plan) {
  ResampleRows<Avx2>(firstRow, rowStride, rows, plan);
}

}  // namespace xvf
