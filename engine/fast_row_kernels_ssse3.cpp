// SSSE3 gather: one PSHUFB per half block gathers the sample pairs, two
// PMADDUBSW weigh them (see GatherBlock).
#include <tmmintrin.h>

#include <cstring>

#include "engine/fast_row_kernels.h"
#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

inline __m128i GatherHalf(const uint8_t* src, const GatherBlock* block, int half) {
  const __m128i pairs = _mm_shuffle_epi8(Load128(src + block->base[half]),
                                         Load128(block->samples + 16 * half));
  const __m128i p = _mm_maddubs_epi16(pairs, Load128(block->coarse + 16 * half));
  const __m128i r = _mm_maddubs_epi16(pairs, Load128(block->fine + 16 * half));
  return _mm_srli_epi16(_mm_add_epi16(p, _mm_srai_epi16(r, 6)), 6);
}

inline __m128i GatherBlock16(const uint8_t* src, const GatherBlock* block) {
  return _mm_packus_epi16(GatherHalf(src, block, 0), GatherHalf(src, block, 1));
}

}  // namespace

void GatherRow_SSSE3(const uint8_t* src, const GatherBlock* blocks, int32_t bytes, uint8_t* dst) {
  for (; bytes >= 16; bytes -= 16, ++blocks, dst += 16) Store128(dst, GatherBlock16(src, blocks));
  if (bytes > 0) {
    alignas(16) uint8_t last[16];
    Store128(last, GatherBlock16(src, blocks));
    std::memcpy(dst, last, static_cast<size_t>(bytes));
  }
}

}  // namespace xvf
