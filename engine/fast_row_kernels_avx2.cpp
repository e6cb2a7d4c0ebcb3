// AVX2 fast-path kernels: 32 bytes a step. The gather puts the two halves of
// a block in the two 128-bit lanes, each with its own window.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/blend_steps.h"
#include "engine/fast_row_kernels.h"
#include "engine/lerp_row_dispatch.h"
#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

inline __m256i Load256(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
inline void Store256(uint8_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// The rule on 32 bytes. `scaled` is the weight times 16 as a signed 16-bit
// value: below 2048 it is 16w, and mulhi(d, 16w) = floor(d * w / 4096) is
// the correction to a; from 2048 on it is 16w - 65536, and mulhi(d, scaled)
// = floor(d * w / 4096) - d is the correction to b. Either lies within
// -128..127 (|d| <= 255 times at most one half), so the corrections pack to
// signed bytes exactly and a byte add, whose result lies between a and b,
// needs no carry. The (a, b) byte pairs are interleaved within each 128-bit
// lane and PMADDUBSW with (-1, +1) gives d; the pack undoes the interleave.
struct Blend32 {
  __m256i a, b, dLow, dHigh;
  Blend32(__m256i a_, __m256i b_) : a(a_), b(b_) {
    const __m256i minusPlus = _mm256_set1_epi16(0x01FF);  // bytes -1, +1
    dLow = _mm256_maddubs_epi16(_mm256_unpacklo_epi8(a, b), minusPlus);
    dHigh = _mm256_maddubs_epi16(_mm256_unpackhi_epi8(a, b), minusPlus);
  }
  template <bool kFromB>
  __m256i Lerp(__m256i scaled) const {
    const __m256i corrections =
        _mm256_packs_epi16(_mm256_mulhi_epi16(dLow, scaled), _mm256_mulhi_epi16(dHigh, scaled));
    return _mm256_add_epi8(kFromB ? b : a, corrections);
  }
};

template <bool kFromB>
inline __m256i Lerp32(__m256i a, __m256i b, __m256i scaled) {
  return Blend32(a, b).Lerp<kFromB>(scaled);
}

inline void Prefetch(const uint8_t* p) { _mm_prefetch(reinterpret_cast<const char*>(p), _MM_HINT_T0); }

inline __m256i Scaled(int32_t weight) {
  return _mm256_set1_epi16(static_cast<int16_t>(static_cast<uint16_t>(weight << 4)));
}

// First destination byte of the loops: 32-byte aligned, so that no store
// and no load of a row at the same alignment splits a cache line; the first
// 32 bytes, from 1 to 32 of them before it, are written apart.
inline int32_t AlignedStart(const uint8_t* dst) {
  const int32_t start = static_cast<int32_t>((0u - reinterpret_cast<uintptr_t>(dst)) & 31u);
  return start == 0 ? 32 : start;
}

// Rows walk down or up the frame, one new source row a step: prefetching it
// a cache line per 64 bytes written keeps the loads ahead of the blend. The
// first and the last 32 bytes are blended before any store, since dst may be
// a or b, and stored last.
template <bool kFromB>
void LerpRows(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst, const uint8_t* next) {
  const __m256i scaled = Scaled(weight);
  const int32_t last = bytes - 32;
  const __m256i head = Lerp32<kFromB>(Load256(a), Load256(b), scaled);
  const __m256i tail = Lerp32<kFromB>(Load256(a + last), Load256(b + last), scaled);
  Prefetch(next);
  // Pointers taken from the row's last 32 bytes, the index running up to 0,
  // as in LerpRowPairs.
  const uint8_t *aEnd = a + last, *bEnd = b + last, *nextEnd = next + last;
  uint8_t* dstEnd = dst + last;
  ptrdiff_t i = AlignedStart(dst) - last;
  for (; i <= -64; i += 64) {
    Prefetch(nextEnd + i + 32);
    Store256(dstEnd + i, Lerp32<kFromB>(Load256(aEnd + i), Load256(bEnd + i), scaled));
    Store256(dstEnd + i + 32, Lerp32<kFromB>(Load256(aEnd + i + 32), Load256(bEnd + i + 32), scaled));
  }
  Prefetch(nextEnd);
  for (; i < 0; i += 32) Store256(dstEnd + i, Lerp32<kFromB>(Load256(aEnd + i), Load256(bEnd + i), scaled));
  Store256(dst, head);
  Store256(dst + last, tail);
}

template <bool kFromB0, bool kFromB1>
void LerpRowPairs(const uint8_t* a, const uint8_t* b, int32_t weight0, int32_t weight1, int32_t bytes,
                   uint8_t* dst0, uint8_t* dst1, const uint8_t* next) {
  const __m256i scaled0 = Scaled(weight0), scaled1 = Scaled(weight1);
  // The first and the last 32 bytes of both rows are blended before any store.
  const int32_t last = bytes - 32;
  const Blend32 head(Load256(a), Load256(b));
  const __m256i head0 = head.Lerp<kFromB0>(scaled0), head1 = head.Lerp<kFromB1>(scaled1);
  const Blend32 tail(Load256(a + last), Load256(b + last));
  const __m256i tail0 = tail.Lerp<kFromB0>(scaled0), tail1 = tail.Lerp<kFromB1>(scaled1);
  Prefetch(next);
  // Every pointer taken from the row's last 32 bytes, the index running up
  // to 0: six registers in all, so that 32-bit code reloads none in the loop.
  {
    const uint8_t *aEnd = a + last, *bEnd = b + last, *nextEnd = next + last + 32;
    uint8_t *dst0End = dst0 + last, *dst1End = dst1 + last;
    for (ptrdiff_t i = AlignedStart(dst0) - last; i < 0; i += 32) {
      Prefetch(nextEnd + i);
      const Blend32 s(Load256(aEnd + i), Load256(bEnd + i));
      Store256(dst0End + i, s.Lerp<kFromB0>(scaled0));
      Store256(dst1End + i, s.Lerp<kFromB1>(scaled1));
    }
  }
  Prefetch(next + last);
  Store256(dst0, head0);
  Store256(dst1, head1);
  Store256(dst0 + last, tail0);
  Store256(dst1 + last, tail1);
}

// Sixteen 16-bit results of one block: lane 0 holds bytes 0..7, lane 1 8..15.
inline __m256i Window(const uint8_t* src, const GatherBlock* block) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(Load128(src + block->base[0])), Load128(src + block->base[1]),
                                 1);
}

inline __m256i Weigh(__m256i window, __m256i samples, __m256i coarse, __m256i fine) {
  const __m256i pairs = _mm256_shuffle_epi8(window, samples);
  const __m256i p = _mm256_maddubs_epi16(pairs, coarse);
  const __m256i r = _mm256_maddubs_epi16(pairs, fine);
  return _mm256_srli_epi16(_mm256_add_epi16(p, _mm256_srai_epi16(r, 6)), 6);
}

inline __m256i GatherLanes(const uint8_t* src, const GatherBlock* block) {
  return Weigh(Window(src, block), Load256(block->samples), Load256(block->coarse), Load256(block->fine));
}

// Sixteen results of two blocks in byte order, from their 16-bit lanes.
inline __m256i PackTwo(__m256i first, __m256i second) {
  return _mm256_permute4x64_epi64(_mm256_packus_epi16(first, second), _MM_SHUFFLE(3, 1, 2, 0));
}

inline void StoreLast(uint8_t* dst, __m256i lanes, int32_t bytes) {
  const __m128i packed = _mm_packus_epi16(_mm256_castsi256_si128(lanes), _mm256_extracti128_si256(lanes, 1));
  if (bytes >= 16) {
    Store128(dst, packed);
  } else {
    alignas(16) uint8_t last[16];
    Store128(last, packed);
    std::memcpy(dst, last, static_cast<size_t>(bytes));
  }
}

}  // namespace

void LerpRow_AVX2(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst,
                  const uint8_t* next) {
  LerpRowByWeight<32, LerpRow_SSE2, LerpRows<false>, LerpRows<true>>(a, b, weight, bytes, dst, next);
}

void LerpRowPair_AVX2(const uint8_t* a, const uint8_t* b, int32_t weight0, int32_t weight1, int32_t bytes,
                       uint8_t* dst0, uint8_t* dst1, const uint8_t* next) {
  if (bytes < 32) {
    LerpRowPair_SSE2(a, b, weight0, weight1, bytes, dst0, dst1, next);
  } else if (weight0 < 2048) {
    if (weight1 < 2048) {
      LerpRowPairs<false, false>(a, b, weight0, weight1, bytes, dst0, dst1, next);
    } else {
      LerpRowPairs<false, true>(a, b, weight0, weight1, bytes, dst0, dst1, next);
    }
  } else if (weight1 < 2048) {
    LerpRowPairs<true, false>(a, b, weight0, weight1, bytes, dst0, dst1, next);
  } else {
    LerpRowPairs<true, true>(a, b, weight0, weight1, bytes, dst0, dst1, next);
  }
}

__attribute__((flatten)) void BlendRowSteps_AVX2(const RowGeometry& g, int32_t savedRow, const RowStep* steps,
                                                 int32_t count) {
  BlendSteps(g, InlinedBlends<LerpRow_AVX2, LerpRowPair_AVX2>(), savedRow, steps, count);
}

void GatherRow_AVX2(const uint8_t* src, const GatherBlock* blocks, int32_t bytes, uint8_t* dst) {
  // Two blocks a step: packing interleaves their lanes, one permute restores the order.
  for (; bytes >= 32; bytes -= 32, blocks += 2, dst += 32) {
    Store256(dst, PackTwo(GatherLanes(src, blocks), GatherLanes(src, blocks + 1)));
  }
  for (; bytes > 0; bytes -= 16, ++blocks, dst += 16) StoreLast(dst, GatherLanes(src, blocks), bytes);
}

void GatherRowPair_AVX2(const uint8_t* src0, const uint8_t* src1, const GatherBlock* blocks, int32_t bytes,
                        uint8_t* dst0, uint8_t* dst1) {
  for (; bytes >= 16; bytes -= 16, ++blocks, dst0 += 16, dst1 += 16) {
    const __m256i samples = Load256(blocks->samples), coarse = Load256(blocks->coarse), fine = Load256(blocks->fine);
    const __m256i row0 = Weigh(Window(src0, blocks), samples, coarse, fine);
    const __m256i row1 = Weigh(Window(src1, blocks), samples, coarse, fine);
    // Row 0's bytes in lane 0, row 1's in lane 1.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(row0, row1), _MM_SHUFFLE(3, 1, 2, 0));
    Store128(dst0, _mm256_castsi256_si128(packed));
    Store128(dst1, _mm256_extracti128_si256(packed, 1));
  }
  if (bytes > 0) {
    StoreLast(dst0, GatherLanes(src0, blocks), bytes);
    StoreLast(dst1, GatherLanes(src1, blocks), bytes);
  }
}

}  // namespace xvf
