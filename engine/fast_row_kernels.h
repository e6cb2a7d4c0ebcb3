#pragma once
// Kernels of the scaler's fast paths. Each writes exactly the bytes the
// two-pass reference writes, by the same rule a + floor((b - a) * w / 4096).
#include <cstdint>

namespace xvf {

// Blends two rows byte by byte into `dst`: dst[i] = a[i] + floor((b[i] -
// a[i]) * weight / 4096) for i < bytes. `dst` may be `a` or `b` itself (the
// in-place row blend), but must not overlap them otherwise. Reads exactly
// `bytes` bytes of each row. `next` is a row of at least `bytes` bytes to be
// read after this one: the SSE2, SSSE3 and AVX2 versions prefetch it as they
// go (a hint, never dereferenced).
using LerpRowKernel = void(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst,
                           const uint8_t* next);
using LerpRowFn = LerpRowKernel*;

LerpRowKernel LerpRow_C, LerpRow_MMX, LerpRow_SSE2, LerpRow_SSSE3, LerpRow_AVX2;

// Two rows blended from the same pair of source rows with their own weights,
// reading the sources once: `dst0` must not overlap `a` or `b`; `dst1` may be
// `a` or `b` itself. `next` as for LerpRowFn.
using LerpRowPairKernel = void(const uint8_t* a, const uint8_t* b, int32_t weight0, int32_t weight1, int32_t bytes,
                               uint8_t* dst0, uint8_t* dst1, const uint8_t* next);
using LerpRowPairFn = LerpRowPairKernel*;

LerpRowPairKernel LerpRowPair_C, LerpRowPair_MMX, LerpRowPair_SSE2, LerpRowPair_SSSE3, LerpRowPair_AVX2;

// A row pair as two single rows, for the levels below AVX2: dst0 first,
// since only dst1 may be a source row; the second row finds the sources in
// the cache, so only the first prefetches.
template <LerpRowFn kLerpRow>
inline void LerpRowPairAsTwoRows(const uint8_t* a, const uint8_t* b, int32_t weight0, int32_t weight1,
                                 int32_t bytes, uint8_t* dst0, uint8_t* dst1, const uint8_t* next) {
  kLerpRow(a, b, weight0, bytes, dst0, next);
  kLerpRow(a, b, weight1, bytes, dst1, a);
}

struct RowGeometry;
struct RowStep;

// The identity emitter's steps of one half (blend_steps.h), with the level's
// LerpRow and LerpRowPair inlined: the bytes those kernels write, step by
// step. `savedRow`: the picture row the save buffer stands in for, or -1.
// AVX2 only: inlined the same way, the SSSE3 and SSE2 blends measured no
// faster than the calls.
using BlendRowStepsKernel = void(const RowGeometry& g, int32_t savedRow, const RowStep* steps, int32_t count);
using BlendRowStepsFn = BlendRowStepsKernel*;

BlendRowStepsKernel BlendRowSteps_AVX2;

// Sixteen destination bytes of a horizontal resampling, in two halves of
// eight. Half h takes its samples from the 16-byte window that starts
// `base[h]` bytes into the source row: output byte j of the half blends the
// window bytes samples[16h + 2j] (A) and samples[16h + 2j + 1] (B) with the
// weight w = 64q + r, held as the signed byte pairs coarse = (64 - q, q) and
// fine = (-r, r) at the same place. One PSHUFB gathers the pairs; PMADDUBSW
// gives P = 64a + q(b - a) and R = r(b - a), both exact in 16 bits, and
// a + floor((b - a) w / 4096) = (P + (R >> 6)) >> 6.
struct alignas(16) GatherBlock {
  int32_t base[2];
  int32_t unused[2];
  uint8_t samples[32];
  int8_t coarse[32];
  int8_t fine[32];
};
static_assert(sizeof(GatherBlock) == 112, "kernels step through blocks by 112 bytes");

// The weight of output byte k (0..15) of a block.
inline int32_t GatherWeight(const GatherBlock& block, int32_t k) {
  return 64 * block.coarse[2 * k + 1] + block.fine[2 * k + 1];
}

// Writes `bytes` destination bytes from `src` along ceil(bytes / 16) blocks.
// Window loads read 16 bytes from each base: the source row must have that
// much room past every base.
using GatherRowKernel = void(const uint8_t* src, const GatherBlock* blocks, int32_t bytes, uint8_t* dst);
using GatherRowFn = GatherRowKernel*;

GatherRowKernel GatherRow_C, GatherRow_SSSE3, GatherRow_AVX2;

// Two rows gathered along the same blocks, each table entry loaded once:
// row 0 from src0 into dst0, row 1 from src1 into dst1.
using GatherRowPairKernel = void(const uint8_t* src0, const uint8_t* src1, const GatherBlock* blocks, int32_t bytes,
                                 uint8_t* dst0, uint8_t* dst1);
using GatherRowPairFn = GatherRowPairKernel*;

GatherRowPairKernel GatherRowPair_AVX2;

}  // namespace xvf
