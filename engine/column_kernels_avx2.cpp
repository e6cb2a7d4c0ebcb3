// AVX2 column kernel: rows in pairs, each 128-bit lane one row's window of a
// half block; one PSHUFB gathers the (A, B) pairs, PMADDUBSW with (-2, +2)
// gives 2(B - A), and the result is A + PMULHW(2(B - A), 8w). Packing the
// two halves leaves each row's 16 bytes whole in its own lane: no
// lane-crossing permute (a VPERMQ per row pair measured slower).
#include <immintrin.h>

#include "engine/column_kernels.h"
#include "engine/column_rows_tmpl.h"
#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

inline __m256i Weigh(__m256i window, __m256i samples, __m256i weights) {
  const __m256i pairs = _mm256_shuffle_epi8(window, samples);
  const __m256i twiceDiff = _mm256_maddubs_epi16(pairs, _mm256_set1_epi16(0x02FE));
  return _mm256_add_epi16(_mm256_and_si256(pairs, _mm256_set1_epi16(0x00FF)), _mm256_mulhi_epi16(twiceDiff, weights));
}

inline __m256i TwoWindows(const uint8_t* low, const uint8_t* high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(low)), Load128(high), 1);
}

// One half of a block for two rows: lane 0 from the first row's window,
// lane 1 from the second's, with the half's samples and weights in both
// lanes.
inline __m256i HalfOfTwoRows(const uint8_t* first, const uint8_t* second, int32_t base, __m256i samples,
                             __m256i weights) {
  return Weigh(TwoWindows(first + base, second + base), samples, weights);
}

inline __m256i Broadcast(const void* p) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(static_cast<const __m128i*>(p)));
}

// A block's table: each half's samples and weights in both lanes.
struct HalfTables {
  __m256i samples0, samples1, weights0, weights1;
  explicit HalfTables(const ColumnBlock* block)
      : samples0(Broadcast(block->samples)),
        samples1(Broadcast(block->samples + 16)),
        weights0(Broadcast(block->weights)),
        weights1(Broadcast(block->weights + 8)) {}
};

// Rows `first` and `second` of a block: packing the two halves leaves each
// row's 16 bytes whole in its own lane.
inline __m256i TwoRows(const uint8_t* first, const uint8_t* second, int32_t base0, int32_t base1,
                       const HalfTables& t) {
  return _mm256_packus_epi16(HalfOfTwoRows(first, second, base0, t.samples0, t.weights0),
                             HalfOfTwoRows(first, second, base1, t.samples1, t.weights1));
}

inline void StoreTwoRows(uint8_t* first, uint8_t* second, __m256i rows) {
  Store128(first, _mm256_castsi256_si128(rows));
  Store128(second, _mm256_extracti128_si256(rows, 1));
}

// Keeps v whole in one register at this point. Without it GCC defers the
// last add of each 32-bit half-0 result past the half-1 loads and spills
// both of its parts to the stack. Only 32-bit code holds such results.
[[maybe_unused]] inline void KeepWhole(__m256i& v) { __asm__("" : "+x"(v)); }

struct Avx2 {
  // 64-bit code reads every row's windows before it stores. 32-bit code,
  // with 8 vector and 6 general registers, takes half 0 of every pair, then
  // half 1, each pair stored once its half 1 is done (a row is its own
  // source only).
  template <int N>
  static void Block(const ColumnBlock* block, uint8_t* const* src, uint8_t* const* dst) {
    // Fields in locals: the stores below may alias the table as far as the
    // compiler knows.
    const int32_t d = block->dst, base0 = block->base[0], base1 = block->base[1];
    if constexpr (N == 1) {
      // A last odd row as a pair with itself, its lane 0 stored.
      Store128(dst[0] + d, _mm256_castsi256_si128(TwoRows(src[0], src[0], base0, base1, HalfTables(block))));
    } else if constexpr (sizeof(void*) == 4) {
      // Each half's samples and weights loaded once, only the pairs' half-0
      // results held; rows addressed from the first by their stride, not
      // through pointers reloaded from the stack: with 8 vector and 6
      // general registers, reloading them for each pair and row cost more
      // than the blends.
      const ptrdiff_t srcStride = src[1] - src[0], dstStride = dst[1] - dst[0];
      __m256i half0[N / 2];
      const __m256i samples0 = Broadcast(block->samples), weights0 = Broadcast(block->weights);
      // The window offset folded into the row pointer, not passed to
      // HalfOfTwoRows: one general register fewer.
      const uint8_t* from = src[0] + base0;
#pragma GCC unroll 4
      for (int i = 0; i < N / 2; ++i, from += 2 * srcStride) {
        half0[i] = Weigh(TwoWindows(from, from + srcStride), samples0, weights0);
        KeepWhole(half0[i]);
      }
      const __m256i samples1 = Broadcast(block->samples + 16), weights1 = Broadcast(block->weights + 8);
      from = src[0] + base1;
      uint8_t* to = dst[0] + d;
#pragma GCC unroll 4
      for (int i = 0; i < N / 2; ++i, from += 2 * srcStride, to += 2 * dstStride) {
        const __m256i half1 = Weigh(TwoWindows(from, from + srcStride), samples1, weights1);
        StoreTwoRows(to, to + dstStride, _mm256_packus_epi16(half0[i], half1));
      }
    } else {
      const HalfTables t(block);
      __m256i out[N / 2];
#pragma GCC unroll 4
      for (int i = 0; i < N; i += 2) out[i / 2] = TwoRows(src[i], src[i + 1], base0, base1, t);
#pragma GCC unroll 4
      for (int i = 0; i < N; i += 2) StoreTwoRows(dst[i] + d, dst[i + 1] + d, out[i / 2]);
    }
  }
};

}  // namespace

void ResampleColumns_AVX2(uint8_t* firstRow, ptrdiff_t rowStride, int32_t rows, const ColumnBlockPlan& plan) {
  ResampleRows<Avx2>(firstRow, rowStride, rows, plan);
}

}  // namespace xvf
