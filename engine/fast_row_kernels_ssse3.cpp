// SSSE3 gather: one PSHUFB per half block and sample gives the samples as
// zero-extended 16-bit lanes.
#include <tmmintrin.h>

#include <cstring>

#include "engine/fast_row_kernels.h"
#include "engine/row_kernels_simd.h"

namespace xvf {
namespace {

inline __m128i GatherHalf(const uint8_t* src, const GatherBlock* block, int half) {
  const __m128i window = Load128(src + block->base[half]);
  const __m128i a = _mm_shuffle_epi8(window, _mm_load_si128(reinterpret_cast<const __m128i*>(block->maskA) + half));
  const __m128i b = _mm_shuffle_epi8(window, _mm_load_si128(reinterpret_cast<const __m128i*>(block->maskB) + half));
  return Lerp16(a, b, _mm_load_si128(reinterpret_cast<const __m128i*>(block->weight) + half));
}

inline __m128i GatherBlock16(const uint8_t* src, const GatherBlock* block) {
  return _mm_packus_epi16(GatherHalf(src, block, 0), GatherHalf(src, block, 1));
}

}  // namespace

void GatherRow_SSSE3(const uint8_t* src, const GatherBlock* blocks, int32_t bytes, uint8_t* dst) {
  for (; bytes >= 16; bytes -= 16, ++blocks, dst += 16) Store128(dst, GatherBlock16(src, blocks));
  if (bytes > 0) {
    alignas(16) uint8_t last[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(last), GatherBlock16(src, blocks));
    std::memcpy(dst, last, static_cast<size_t>(bytes));
  }
}

}  // namespace xvf
